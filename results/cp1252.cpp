#include "cp1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

// C0, DEL and C1 controls: no place in a cell, whatever byte the code page would give them.
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

// The system's converter (ICU) knows the code page; it flags a character without a byte.
bool encodes(const QString &text, QByteArray *out)
{
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder(text);
    if (!encoder.isValid() || encoder.hasError())
        return false;
    *out = bytes;
    return true;
}

} // namespace

bool isWindows1252Printable(QChar c)
{
    QByteArray unused;
    return !isControl(c) && encodes(QString(c), &unused);
}

bool encodeWindows1252(const QString &text, QByteArray *out)
{
    for (const QChar c : text) {
        if (isControl(c) && c != u'\r' && c != u'\n')
            return false;
    }
    return encodes(text, out);
}

bool decodeWindows1252(const QByteArray &bytes, QString *out)
{
    // The converter passes the five bytes the code page leaves undefined through as C1
    // controls, so the control check refuses them with the rest.
    QStringDecoder decoder("windows-1252", QStringConverter::Flag::Stateless);
    QString text = decoder(bytes);
    if (!decoder.isValid() || decoder.hasError())
        return false;
    for (const QChar c : std::as_const(text)) {
        if (isControl(c) && c != u'\r' && c != u'\n' && c != u'\t')
            return false;
    }
    *out = text;
    return true;
}
