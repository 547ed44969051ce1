# What the executable and the packages say about the release, each read from
# the one file that holds it:
#   QUORVIN_COPYRIGHT      the licence's copyright line (LICENSE);
#   QUORVIN_MAINTAINER     who makes the packages, "Name <address>", and
#   QUORVIN_RELEASE_DATE   the release's date, YYYY-MM-DD: both from the
#                          newest entry of packaging/changelog, whose version
#                          must be the project's;
#   QUORVIN_RELEASES       every release the changelog lists, newest first,
#                          each as VERSION=YYYY-MM-DD.
set(licence_file ${PROJECT_SOURCE_DIR}/LICENSE)
set(changelog_file ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${licence_file} ${changelog_file})

file(STRINGS ${licence_file} QUORVIN_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT QUORVIN_COPYRIGHT)
  message(FATAL_ERROR "${licence_file} has no copyright line")
endif()

# A Debian changelog entry opens with "name (version) ..." and closes with
# " -- Name <address>  Day, DD Mon YYYY HH:MM:SS +ZZZZ".
file(READ ${changelog_file} changelog)
if(NOT changelog MATCHES "^[a-z0-9.+-]+ \\(([^)]+)\\)")
  message(FATAL_ERROR "${changelog_file} does not open with an entry")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${changelog_file}'s newest entry is version ${CMAKE_MATCH_1}, "
                      "the project's ${PROJECT_VERSION}")
endif()
# Each entry's version and its trailer's date, in the changelog's order.
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
string(REGEX MATCHALL "(^|\n)[a-z0-9.+-]+ \\([^)]+\\)|\n -- [^<\n]+ <[^>\n]+>  [A-Z][a-z][a-z], [0-9][0-9] [A-Z][a-z][a-z] [0-9][0-9][0-9][0-9] "
       changelog_lines "${changelog}")
set(QUORVIN_RELEASES "")
set(entry_version "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "\\(([^)]+)\\)$")
    set(entry_version "${CMAKE_MATCH_1}")
  elseif(entry_version AND line MATCHES "\n -- ([^<\n]+ <[^>\n]+>)  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(entry_maintainer "${CMAKE_MATCH_1}")
    list(FIND months "${CMAKE_MATCH_3}" month)
    if(month LESS 0)
      message(FATAL_ERROR "${changelog_file}: no month called ${CMAKE_MATCH_3}")
    endif()
    math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
    if(month LESS 10)
      set(month "0${month}")
    endif()
    set(entry_date "${CMAKE_MATCH_4}-${month}-${CMAKE_MATCH_2}")
    if(NOT QUORVIN_RELEASES)
      set(QUORVIN_MAINTAINER "${entry_maintainer}")
      set(QUORVIN_RELEASE_DATE "${entry_date}")
    endif()
    list(APPEND QUORVIN_RELEASES "${entry_version}=${entry_date}")
    set(entry_version "")
  endif()
endforeach()
if(NOT QUORVIN_RELEASES)
  message(FATAL_ERROR "${changelog_file}'s newest entry has no trailer line")
endif()

# The Debian package's own changelog packages this version, at some Debian
# revision, and for a package built for one Debian release (sbuild's
# --append-to-version) with that release's suffix: 1.3.0-1~deb13u1.
set(debian_changelog_file ${PROJECT_SOURCE_DIR}/debian/changelog)
if(EXISTS ${debian_changelog_file})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${debian_changelog_file})
  file(STRINGS ${debian_changelog_file} debian_entry LIMIT_COUNT 1)
  if(NOT debian_entry MATCHES "^[a-z0-9.+-]+ \\(${PROJECT_VERSION}-[0-9]+(~[a-z0-9.+~]+)?\\)")
    message(FATAL_ERROR "${debian_changelog_file}'s newest entry is not of version ${PROJECT_VERSION}: ${debian_entry}")
  endif()
endif()
