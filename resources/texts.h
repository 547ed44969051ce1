// Every text the program itself shows. Written once, in texts.cpp, as UTF-8
// source; the Windows build stores them as GBK bytes (code page 936), the
// native build as UTF-8.
#pragma once

// Start texts of the path and result fields.
extern const char kPathPrompt[];
extern const char kResultStart[];

// What the compute command leaves in the result field.
extern const char kBusyText[];
extern const char kEmptyPathText[];
extern const char kOpenFailedText[];
extern const char kReadFailedText[];

// The notice shown before a long computation.
extern const char kLargeFileNotice[];
extern const char kLargeFileCaption[];

// The file chooser's list of filters: name and pattern pairs, each ended by
// a terminator, the list ended by an empty name.
extern const char kBrowseFilter[];
