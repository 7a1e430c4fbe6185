#include "exportfile.h"

#include "cp1252.h"
#include "resultsmodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The first character of a format that is not a field letter or a blank. A mark the file cannot
// hold (the right-to-left mark of Arabic dates) gives way to the plain separator.
QString separatorOf(const QString &format, const QString &fallback)
{
    for (const QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\'')) {
            const bool writable = isWindows1252Printable(c) && c != QLatin1Char(';');
            return writable ? QString(c) : fallback;
        }
    }
    return fallback;
}

} // namespace

namespace ExportFile {

QString dateSeparator(const QLocale &locale)
{
    return separatorOf(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString timeSeparator(const QLocale &locale)
{
    return separatorOf(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

QStringList lines(const ResultsModel &results, const QString &programTitle,
                  const ExportConditions &conditions, const QLocale &locale)
{
    const QString d = dateSeparator(locale);
    const QString t = timeSeparator(locale);
    const QDate date = conditions.when.date();
    const QTime time = conditions.when.time();
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };

    QStringList out;
    out << programTitle;
    out << QStringLiteral(";Fecha;Hora;Periodo Inicial;Velocidad Inicial (Km/h);");
    out << QLatin1Char(';') + two(date.day()) + d + two(date.month()) + d +
               QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0')) + QLatin1Char(';') +
               two(time.hour()) + t + two(time.minute()) + QLatin1Char(';') +
               QString::number(conditions.initialPeriod) + QLatin1Char(';') +
               conditions.initialSpeed + QLatin1Char(';');
    // The same seven titles in every profile: the VO2max values of basketball go untitled.
    out << QLatin1Char(';') + ResultsModel::columnTitles().mid(0, 7).join(QLatin1Char(';')) +
               QLatin1Char(';');
    for (int slot = 1; slot <= results.slotCount(); ++slot) {
        QString record = QStringLiteral(";");
        for (int column = 0; column < results.columnCount(); ++column)
            record += results.cell(column, slot) + QLatin1Char(';');
        out << record;
    }
    return out;
}

bool encode(const QStringList &lines, QByteArray *bytes)
{
    QByteArray all;
    for (const QString &line : lines) {
        QByteArray encoded;
        if (!encodeWindows1252(line, &encoded))
            return false;
        all += encoded;
        all += "\r\n";
    }
    *bytes = all;
    return true;
}

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    // Opening a pipe waits for a reader, on the window's thread; and a device or a folder would
    // not keep the results anyway.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        if (error)
            *error = QStringLiteral("No es un archivo normal (es una carpeta, una tubería o un "
                                    "dispositivo).");
        return false;
    }
    QSaveFile file(path);
    // commit() does not report a failed flush of what is still buffered (a full disk gives a
    // file of 0 bytes and "success"), so the buffer is flushed and checked before it.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

QString exportFolder(const QString &programFolder, bool programFolderWritable,
                     const QString &documentsFolder)
{
    if (!programFolderWritable && !documentsFolder.isEmpty())
        return QDir::toNativeSeparators(QDir(documentsFolder).filePath(QStringLiteral("Export")));
    return programFolder + QStringLiteral("Export");
}

QString proposedName(const QString &programTitle, const QDate &date)
{
    return programTitle + QLatin1Char('_') + date.toString(QStringLiteral("dd-MM-yy")) +
           QStringLiteral(".txt");
}

QString freePath(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    const QFileInfo named(name);
    QString path = dir.filePath(name);
    for (int n = 2; QFileInfo(path).exists() || QFileInfo(path).isSymLink(); ++n)
        path = dir.filePath(named.completeBaseName() + QStringLiteral(" (%1).").arg(n) +
                            named.suffix());
    return path;
}

bool save(const QStringList &lines, const QString &path, QString *reason)
{
    QByteArray bytes;
    if (!encode(lines, &bytes)) {
        if (reason)
            *reason = QStringLiteral("Hay caracteres que el archivo no puede guardar.");
        return false;
    }
    return write(path, bytes, reason);
}

} // namespace ExportFile
