#include "PrompterCajas.h"

#include "Sistema.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

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

QDialog* TPrompterCajas::cajaEscrita(const QString& texto, const QString& clave, QWidget* padre)
{
    auto* caja = new QDialog(padre);
    caja->setWindowTitle(titulo());
    auto* pregunta = new QLabel(texto, caja);
    pregunta->setWordWrap(true);
    pregunta->setMinimumWidth(420);
    auto* campo = new QLineEdit(caja);
    campo->setObjectName(QStringLiteral("EdConfirmacion"));
    pregunta->setBuddy(campo);
    auto* botones = new QDialogButtonBox(caja);
    QPushButton* confirmar = botones->addButton(QStringLiteral("Confirmar"), QDialogButtonBox::AcceptRole);
    confirmar->setObjectName(QStringLiteral("BtConfirmar"));
    confirmar->setEnabled(false);
    confirmar->setAutoDefault(false);
    QPushButton* cancelar = botones->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    cancelar->setObjectName(QStringLiteral("BtCancelar"));
    cancelar->setDefault(true);
    // Enter follows what was typed: it confirms once the key matches, and
    // until then it cancels, as it did before anything was typed.
    QObject::connect(campo, &QLineEdit::textChanged, confirmar, [confirmar, cancelar, clave](const QString& escrito) {
        const bool igual = coincide(escrito, clave);
        confirmar->setEnabled(igual);
        confirmar->setDefault(igual);
        cancelar->setDefault(!igual);
    });
    QObject::connect(botones, &QDialogButtonBox::accepted, caja, &QDialog::accept);
    QObject::connect(botones, &QDialogButtonBox::rejected, caja, &QDialog::reject);
    auto* columna = new QVBoxLayout(caja);
    columna->addWidget(pregunta);
    columna->addWidget(campo);
    columna->addWidget(botones);
    campo->setFocus();
    return caja;
}

int TPrompterCajas::confirmacionEscrita(const QString& texto, const QString& clave)
{
    const auto pregunta = [&] {
        QDialog* caja = cajaEscrita(texto, clave);
        const bool aceptada = caja->exec() == QDialog::Accepted &&
                              coincide(caja->findChild<QLineEdit*>(QStringLiteral("EdConfirmacion"))->text(), clave);
        delete caja;
        return aceptada ? TPrompter::OK : TPrompter::CANCELAR;
    };
    QCoreApplication* aplicacion = QCoreApplication::instance();
    if (aplicacion == nullptr || QThread::currentThread() == aplicacion->thread())
        return pregunta();
    int resultado = TPrompter::CANCELAR;
    QMetaObject::invokeMethod(
        aplicacion, [&] { resultado = pregunta(); }, Qt::BlockingQueuedConnection);
    return resultado;
}

QString TPrompterCajas::titulo()
{
    return Sistema::nameSistema.isEmpty() ? QStringLiteral("Velkor") : Sistema::nameSistema;
}
