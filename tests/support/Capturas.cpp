#include "Capturas.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTest>
#include <QWidget>

namespace Capturas {

namespace {

QString carpeta()
{
    return qEnvironmentVariable("VELKOR_CAPTURAS");
}

} // namespace

bool pedidas()
{
    return !carpeta().isEmpty();
}

void guarda(QWidget& ventana, const QString& nombre)
{
    QCoreApplication::processEvents();
    const QPixmap imagen = ventana.grab();
    QVERIFY(!imagen.isNull());
    if (pedidas())
        imagen.save(carpeta() + QLatin1Char('/') + nombre + QStringLiteral(".png"));
}

} // namespace Capturas
