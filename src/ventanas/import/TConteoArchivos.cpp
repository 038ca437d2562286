#include "TConteoArchivos.h"

#include "Conexiones.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "negocio/TRecorridoXML.h"

TConteoArchivos::TConteoArchivos(const QString& directorio, QLabel* text) : text(text), directorio(directorio)
{
    if (text)
        text->setText(QStringLiteral("0"));
}

void TConteoArchivos::run()
{
    cuentaArchivosXML();
    Conexiones::cierraHilo();
}

void TConteoArchivos::cuentaArchivosXML()
{
    Logmanager::Log(QStringLiteral("Archivos encontrados: %1 - %2").arg(contador).arg(directorio), 1, Sistema::exePath);
    // A path the import cannot take still gets its row: it counts.
    const auto cuenta = [this] {
        ++contador;
        actualizaText();
        return true;
    };
    TRecorridoXML(directorio)
        .recorre([&](const QString&) { return cuenta(); }, [&](const QString&, const QString&) { return cuenta(); },
                 [this] { return isInterruptionRequested(); });
    Logmanager::Log(QStringLiteral("Archivos encontrados: %1").arg(contador), 1, Sistema::exePath);
}

void TConteoArchivos::actualizaText()
{
    const int cuenta = contador;
    // Runs on the UI thread, which owns the label; when the label is gone the
    // call is dropped and the count goes on.
    QMetaObject::invokeMethod(
        this,
        [this, cuenta] {
            if (text)
                text->setText(QString::number(cuenta));
        },
        Qt::BlockingQueuedConnection);
}
