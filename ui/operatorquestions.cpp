#include "operatorquestions.h"

#include "dialogs.h"
#include "exportfile.h"

#include <QDir>

namespace OperatorQuestions {

bool saveResults(Dialogs &dialogs, QWidget *parent, bool testRunning)
{
    const QString text =
        testRunning ? QStringLiteral("Los registros de la prueba en curso aún no han sido "
                                     "exportados ¿Desea guardarlos ahora?")
                    : QStringLiteral("Los registros de la anterior prueba de esfuerzo aún no han "
                                     "sido exportados ¿Desea guardarlos ahora?");
    return dialogs.question(parent, QStringLiteral("Guardar datos"), text,
                            QMessageBox::Yes | QMessageBox::No,
                            QMessageBox::Information) == QMessageBox::Yes;
}

QString exportPath(Dialogs &dialogs, QWidget *parent, const QString &folder,
                   const QString &programTitle, const QDateTime &when, bool newName)
{
    QDir().mkpath(folder); // may have gone since start-up; the dialog opens either way
    const QString name = ExportFile::proposedName(programTitle, when.date());
    const QString proposed =
        newName ? ExportFile::freePath(folder, name) : folder + QDir::separator() + name;
    return dialogs.saveFileName(
        parent, QStringLiteral("Exportación de Registros de ZENTA"), proposed,
        QStringLiteral("Archivo de exportación de Registros (*.txt)"), QStringLiteral("txt"));
}

bool clearTable(Dialogs &dialogs, QWidget *parent)
{
    return dialogs.question(parent, QStringLiteral("Borrar datos"),
                            QStringLiteral("¿Realmente desea borrar todos los datos que "
                                           "actualmente se encuentran en la Tabla de resultados "
                                           "de los deportistas?"),
                            QMessageBox::Ok | QMessageBox::Cancel,
                            QMessageBox::Information) == QMessageBox::Ok;
}

bool leave(Dialogs &dialogs, QWidget *parent, const QString &programTitle)
{
    return dialogs.question(
               parent, QStringLiteral("Salir de ") + programTitle,
               QStringLiteral("Esto finaliza su sesión con ") + programTitle + QLatin1Char('.'),
               QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information) == QMessageBox::Ok;
}

void noSoundDevice(Dialogs &dialogs, QWidget *parent, const QString &programTitle)
{
    dialogs.message(parent, programTitle,
                    QStringLiteral("No se ha encontrado ninguna tarjeta de sonido instalada en su "
                                   "sistema."),
                    QMessageBox::Warning);
}

void exportFailed(Dialogs &dialogs, QWidget *parent, const QString &programTitle,
                  const QString &reason, const QString &path)
{
    dialogs.message(parent, QStringLiteral("Información"),
                    QStringLiteral("No se ha podido exportar el archivo de Registros de ") +
                        programTitle + QLatin1Char('.') + QLatin1Char('\n') + reason +
                        QLatin1Char('\n') + QDir::toNativeSeparators(path),
                    QMessageBox::Warning);
}

} // namespace OperatorQuestions
