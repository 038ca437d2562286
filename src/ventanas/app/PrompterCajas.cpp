#include "PrompterCajas.h"

#include "Sistema.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

namespace {

int muestra(const QString& texto, QMessageBox::StandardButtons botones)
{
    QMessageBox caja(QMessageBox::NoIcon, TPrompterCajas::titulo(), texto, botones);
    return caja.exec();
}

// Widgets may only live on the UI thread.
int enHiloUI(const QString& texto, QMessageBox::StandardButtons botones)
{
    QCoreApplication* aplicacion = QCoreApplication::instance();
    if (aplicacion == nullptr || QThread::currentThread() == aplicacion->thread())
        return muestra(texto, botones);
    int resultado = QMessageBox::Cancel;
    QMetaObject::invokeMethod(
        aplicacion, [&] { resultado = muestra(texto, botones); }, Qt::BlockingQueuedConnection);
    return resultado;
}

} // namespace

void TPrompterCajas::mensaje(const QString& texto, int tipo)
{
    Q_UNUSED(tipo); // every kind shows the same plain box
    enHiloUI(texto, QMessageBox::Ok);
}

int TPrompterCajas::confirmacion(const QString& texto)
{
    return enHiloUI(texto, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok ? TPrompter::OK
                                                                                     : TPrompter::CANCELAR;
}

QString TPrompterCajas::titulo()
{
    return Sistema::nameSistema.isEmpty() ? QStringLiteral("Velkor") : Sistema::nameSistema;
}
