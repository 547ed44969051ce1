// Writes the application icon's true-colour images as PNG files, in the
// folders of an icon theme, for the Linux desktop:
//
//   export_icons ICO OUT_DIR NAME
//
// makes OUT_DIR/<W>x<H>/apps/NAME.png of each 32-bit image in ICO, pixel for
// pixel. The images are decoded here rather than by Qt's ICO reader, which
// hands them over premultiplied by their alpha: translucent pixels would
// come back a shade off.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QtEndian>

#include <cstdio>
#include <set>
#include <utility>

namespace {

constexpr qsizetype kDirectoryHeaderSize = 6;
constexpr qsizetype kDirectoryEntrySize = 16;
constexpr int kTypeIcon = 1;
constexpr int kSizeOfZero = 256;  // a width or height byte of 0 means 256
constexpr qsizetype kBitmapHeaderSize = 40;
constexpr quint32 kTrueColourBits = 32;
constexpr quint32 kUncompressed = 0;
constexpr qsizetype kBytesPerPixel = 4;

class IconFile {
public:
    explicit IconFile(QByteArray bytes) : bytes_(std::move(bytes)) {}

    // Whether `length` bytes from `at` lie inside the file.
    [[nodiscard]] bool Holds(qsizetype at, qsizetype length) const {
        return at >= 0 && length >= 0 && at <= bytes_.size() && length <= bytes_.size() - at;
    }
    [[nodiscard]] quint32 Read16(qsizetype at) const {
        return qFromLittleEndian<quint16>(bytes_.constData() + at);
    }
    [[nodiscard]] quint32 Read32(qsizetype at) const {
        return qFromLittleEndian<quint32>(bytes_.constData() + at);
    }
    [[nodiscard]] int ReadSize(qsizetype at) const {
        const int size = static_cast<unsigned char>(bytes_.at(at));
        return size == 0 ? kSizeOfZero : size;
    }

private:
    QByteArray bytes_;
};

int Fail(const QString& message) {
    // A diagnostic that cannot be written has nowhere else to go; the exit
    // status still reports the failure.
    static_cast<void>(std::fprintf(stderr, "export_icons: %s\n", qPrintable(message)));
    return 1;
}

// The 32-bit image whose bitmap starts at `at` and takes `length` bytes: a
// header, then the colour rows bottom first, blue, green, red and alpha a
// pixel, then the AND mask, which the alpha supersedes. Null if the bitmap
// is not of that form or not within its bytes.
QImage DecodeTrueColour(const IconFile& file, qsizetype at, qsizetype length, int width,
                        int height) {
    if (!file.Holds(at, length) || length < kBitmapHeaderSize) {
        return {};
    }
    const qsizetype headerSize = file.Read32(at);
    const qsizetype rowSize = kBytesPerPixel * width;
    const bool described =
        headerSize >= kBitmapHeaderSize && headerSize <= length &&
        file.Read32(at + 4) == static_cast<quint32>(width) &&
        file.Read32(at + 8) == 2 * static_cast<quint32>(height) &&  // mask rows too
        file.Read16(at + 14) == kTrueColourBits && file.Read32(at + 16) == kUncompressed;
    if (!described || rowSize * height > length - headerSize) {
        return {};
    }
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const qsizetype row = at + headerSize + rowSize * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            // Little-endian B, G, R, A is 0xAARRGGBB: QImage's ARGB32 value.
            image.setPixel(x, y, file.Read32(row + kBytesPerPixel * x));
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        static_cast<void>(std::fputs("usage: export_icons ICO OUT_DIR NAME\n", stderr));
        return 2;
    }
    const QString icoPath = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);

    QFile source(icoPath);
    if (!source.open(QIODevice::ReadOnly)) {
        return Fail(QStringLiteral("cannot read %1: %2").arg(icoPath, source.errorString()));
    }
    const IconFile file(source.readAll());
    if (!file.Holds(0, kDirectoryHeaderSize) || file.Read16(0) != 0 ||
        file.Read16(2) != kTypeIcon) {
        return Fail(QStringLiteral("%1 is not an icon file").arg(icoPath));
    }
    const int count = static_cast<int>(file.Read16(4));
    if (!file.Holds(kDirectoryHeaderSize, kDirectoryEntrySize * count)) {
        return Fail(QStringLiteral("%1 is cut short in its directory").arg(icoPath));
    }

    std::set<std::pair<int, int>> sizesWritten;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = kDirectoryHeaderSize + kDirectoryEntrySize * i;
        if (file.Read16(entry + 6) != kTrueColourBits) {
            continue;
        }
        const int width = file.ReadSize(entry);
        const int height = file.ReadSize(entry + 1);
        const QImage image =
            DecodeTrueColour(file, file.Read32(entry + 12), file.Read32(entry + 8), width, height);
        if (image.isNull()) {
            return Fail(
                QStringLiteral(
                    "image %1 of %2 is not an uncompressed %3x%4 bitmap of 32 bits within the file")
                    .arg(i)
                    .arg(icoPath)
                    .arg(width)
                    .arg(height));
        }
        if (!sizesWritten.insert({width, height}).second) {
            return Fail(QStringLiteral("%1 holds two 32-bit images of %2x%3")
                            .arg(icoPath)
                            .arg(width)
                            .arg(height));
        }
        const QString folder = QStringLiteral("%1/%2x%3/apps").arg(outDir).arg(width).arg(height);
        const QString pngPath = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !image.save(pngPath, "PNG")) {
            return Fail(QStringLiteral("cannot write %1").arg(pngPath));
        }
    }
    if (sizesWritten.empty()) {
        return Fail(QStringLiteral("%1 holds no 32-bit image").arg(icoPath));
    }
    return 0;
}
