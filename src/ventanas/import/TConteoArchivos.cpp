#include "TConteoArchivos.h"

#include "Conexiones.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "import/PaqueteSat.h"
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
    // A package counts its entries: each gets its row, and the bar moves
    // with them.
    TRecorridoXML(directorio, TRecorridoXML::TArchivos::ConPaquetes)
        .recorre(
            [&](const QString& ruta) {
                if (TPaqueteSat::esPaquete(ruta))
                    contador += TPaqueteSat::filas(ruta) - 1;
                return cuenta();
            },
            [&](const QString&, const QString&) { return cuenta(); }, [this] { return isInterruptionRequested(); });
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
