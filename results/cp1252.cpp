#include "cp1252.h"

namespace {

// Bytes 0x80..0x9F of Windows-1252; 0 where the code page leaves the byte undefined.
constexpr char16_t HighBytes[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int byteFor(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (HighBytes[i] != 0 && HighBytes[i] == u)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

bool isWindows1252Printable(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || u == 0x7F)
        return false;
    return byteFor(u) >= 0;
}

bool encodeWindows1252(const QString &text, QByteArray *out)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const int b = (u == u'\r' || u == u'\n')  ? int(u)
                      : isWindows1252Printable(c) ? byteFor(u)
                                                  : -1;
        if (b < 0)
            return false;
        bytes.append(char(b));
    }
    *out = bytes;
    return true;
}

bool decodeWindows1252(const QByteArray &bytes, QString *out)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *to = text.data();
    for (const char byte : bytes) {
        const auto b = uchar(byte);
        char16_t u = b;
        if (b >= 0x80 && b < 0xA0)
            u = HighBytes[b - 0x80];
        else if ((b < 0x20 && b != '\r' && b != '\n' && b != '\t') || b == 0x7F)
            u = 0;
        if (u == 0)
            return false;
        *to++ = QChar(u);
    }
    *out = text;
    return true;
}
