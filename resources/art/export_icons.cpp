// Writes the application icon's true-colour images as PNG files, in the
// folders of an icon theme, for the Linux desktop:
//
//   export_icons ICO OUT_DIR NAME
//
// makes OUT_DIR/<W>x<H>/apps/NAME.png of each 32-bit image in ICO. The
// images are decoded by Qt's ICO reader; the icon directory is read here only
// for each image's bit count, which the reader does not report.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <QtEndian>

#include <cstdio>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr qsizetype kHeaderSize = 6;
constexpr qsizetype kEntrySize = 16;
constexpr int kTypeIcon = 1;
constexpr int kTrueColourBits = 32;
constexpr int kSizeOfZero = 256;  // a width or height byte of 0 means 256

struct DirectoryEntry {
  int width;
  int height;
  int bits_per_pixel;
};

int read16(const QByteArray& bytes, qsizetype at) {
  return qFromLittleEndian<quint16>(bytes.constData() + at);
}

int read_size(const QByteArray& bytes, qsizetype at) {
  const int size = static_cast<unsigned char>(bytes.at(at));
  return size == 0 ? kSizeOfZero : size;
}

// The entries of the icon directory, in the order the reader numbers the
// images; nothing if the file is not an icon file or is cut short.
std::optional<std::vector<DirectoryEntry>> read_directory(const QByteArray& file) {
  if (file.size() < kHeaderSize || read16(file, 0) != 0 || read16(file, 2) != kTypeIcon) {
    return std::nullopt;
  }
  const int count = read16(file, 4);
  if (file.size() < kHeaderSize + kEntrySize * count) {
    return std::nullopt;
  }
  std::vector<DirectoryEntry> entries;
  for (int i = 0; i < count; ++i) {
    const qsizetype at = kHeaderSize + kEntrySize * i;
    entries.push_back({read_size(file, at), read_size(file, at + 1), read16(file, at + 6)});
  }
  return entries;
}

int fail(const QString& message) {
  // A diagnostic that cannot be written has nowhere else to go; the exit
  // status still reports the failure.
  static_cast<void>(std::fprintf(stderr, "export_icons: %s\n", qPrintable(message)));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    static_cast<void>(std::fputs("usage: export_icons ICO OUT_DIR NAME\n", stderr));
    return 2;
  }
  const QString ico_path = QString::fromLocal8Bit(argv[1]);
  const QString out_dir = QString::fromLocal8Bit(argv[2]);
  const QString name = QString::fromLocal8Bit(argv[3]);

  QFile file(ico_path);
  if (!file.open(QIODevice::ReadOnly)) {
    return fail(QStringLiteral("cannot read %1: %2").arg(ico_path, file.errorString()));
  }
  const std::optional<std::vector<DirectoryEntry>> directory = read_directory(file.readAll());
  if (!directory) {
    return fail(QStringLiteral("%1 is not an icon file").arg(ico_path));
  }

  QImageReader reader(ico_path, "ico");
  if (reader.imageCount() != static_cast<int>(directory->size())) {
    return fail(QStringLiteral("Qt's ICO reader sees %1 images in %2, its directory lists %3 (%4)")
                    .arg(reader.imageCount())
                    .arg(ico_path)
                    .arg(directory->size())
                    .arg(reader.errorString()));
  }
  std::set<std::pair<int, int>> sizes_written;
  for (int i = 0; i < reader.imageCount(); ++i) {
    const DirectoryEntry& entry = (*directory)[static_cast<std::size_t>(i)];
    QImage image;
    if (!reader.jumpToImage(i) || !reader.read(&image)) {
      return fail(QStringLiteral("cannot decode image %1 of %2: %3")
                      .arg(i)
                      .arg(ico_path, reader.errorString()));
    }
    // The reader's numbering and the directory's must agree, or the bit
    // counts would be another image's.
    if (image.width() != entry.width || image.height() != entry.height) {
      return fail(QStringLiteral("image %1 of %2 decodes as %3x%4, its directory entry says %5x%6")
                      .arg(i)
                      .arg(ico_path)
                      .arg(image.width())
                      .arg(image.height())
                      .arg(entry.width)
                      .arg(entry.height));
    }
    if (entry.bits_per_pixel != kTrueColourBits) {
      continue;
    }
    if (!image.hasAlphaChannel()) {
      return fail(QStringLiteral("image %1 of %2 decodes without its alpha channel").arg(i).arg(ico_path));
    }
    if (!sizes_written.insert({entry.width, entry.height}).second) {
      return fail(QStringLiteral("%1 holds two 32-bit images of %2x%3")
                      .arg(ico_path)
                      .arg(entry.width)
                      .arg(entry.height));
    }
    const QString folder = QStringLiteral("%1/%2x%3/apps").arg(out_dir).arg(entry.width).arg(entry.height);
    const QString png_path = QStringLiteral("%1/%2.png").arg(folder, name);
    if (!QDir().mkpath(folder) || !image.save(png_path, "PNG")) {
      return fail(QStringLiteral("cannot write %1").arg(png_path));
    }
  }
  if (sizes_written.empty()) {
    return fail(QStringLiteral("%1 holds no 32-bit image").arg(ico_path));
  }
  return 0;
}
