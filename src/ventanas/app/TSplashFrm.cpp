#include "TSplashFrm.h"

#include "Archivos.h"
#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Rutas.h"
#include "Sistema.h"
#include "Style.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/Utils.h"
#include "UtilsVentanas.h"
#include "Ventanas.h"

#include <QBuffer>
#include <QFile>
#include <QScreen>

namespace {

void registra(const QString& texto)
{
    Logmanager::Log(texto, 1, Sistema::exePath);
}

void registraError(const std::exception& e)
{
    registra(Errores::describe(e));
}

} // namespace

TSplashFrm::TSplashFrm(const QString& carpetaPrograma, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen)
{
    setObjectName(QStringLiteral("SplashFrm"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);
    TimerSplash = new QTimer(this);
    TimerSplash->setObjectName(QStringLiteral("TimerSplash"));
    TimerSplash->setInterval(3000);
    TimerSplash->setSingleShot(true);
    connect(TimerSplash, &QTimer::timeout, this, &TSplashFrm::TimerSplashTimer);
    FormCreate(carpetaPrograma);
}

TSplashFrm::~TSplashFrm()
{
    if (SplashFrm == this)
        SplashFrm = nullptr;
    if (m_entregar)
        FormDestroy();
}

void TSplashFrm::FormCreate(const QString& carpetaPrograma)
{
    if (!Style::existeStyleFrm())
        Style::StyleFrm();
    Rutas::fijaCarpetaPrograma(carpetaPrograma);
    registra(objectName() + Constantes::INICIO_SISTEMA);

    const QStringList marca = Utils::getSistema(Sistema::exePath).split(QLatin1Char('|'));
    Sistema::claveMarca = marca.value(0);
    Sistema::marca = marca.value(1);
    Sistema::numeroAutorizacionPac = marca.value(2);

    setFixedSize(Constantes::SPLASH_ANCHO, Constantes::SPLASH_LARGO);
    Image1->setGeometry(rect());
    Utils::cargaImageRS(Constantes::IMG_SPLASH, Image1, Sistema::exePath);
    init();
}

void TSplashFrm::init()
{
    if (!verifyFiles())
        return;
    Sistema::nameSistema = Constantes::NOMBRE_SISTEMA;
    registra(objectName() + QStringLiteral(": ") + Constantes::SPLASH_NOMBRE_SISTEMA + Sistema::nameSistema);
    createDirs();
}

bool TSplashFrm::verifyFiles() const
{
    return true;
}

void TSplashFrm::createDirs()
{
    // Working folders live in the program folder, whatever folder the program
    // was started from: the user database and the business folders are
    // looked for there.
    try {
        Utils::createDir(Rutas::programa({Constantes::SPLASH_DB}));
        Utils::createDir(Rutas::programa({Constantes::SPLASH_TEMP}));
        Utils::createDir(Rutas::programa({Constantes::SPLASH_TEMP, Constantes::SPLASH_ZIP}));
    } catch (const std::exception& e) {
        registraError(e);
    }
}

void TSplashFrm::showEvent(QShowEvent* evento)
{
    QWidget::showEvent(evento);
    if (const QScreen* pantalla = screen())
        move(pantalla->availableGeometry().center() - rect().center());
    if (!TimerSplash->isActive())
        TimerSplash->start();
}

void TSplashFrm::TimerSplashTimer()
{
    TimerSplash->stop();
    registra(Constantes::SPLASH_SPLASH);
    close();
    deleteLater();
}

void TSplashFrm::FormDestroy()
{
    registra(Constantes::SPLASH_NEXT_FORM);
    ShowNextForm();
}

void TSplashFrm::ShowNextForm()
{
    Sistema::dbUsuariosSistema = Rutas::programa({Constantes::DB_USUARIOS});
    bool contar = true;
    try {
        switch (const auto estado = TBaseDatosLocalFrm::revisa(Sistema::dbUsuariosSistema)) {
        case TBaseDatosLocalFrm::TEstadoRegistro::Faltante: {
            // Businesses without a registry mean it was deleted or lost, not
            // a first run: without a word the user would create them anew.
            const bool conNegocios = !TBaseDatosLocalFrm::basesDatos(Sistema::exePath).isEmpty();
            if (const std::unique_ptr<QBuffer> bd = Utils::getResource(Constantes::RS_USRDB, Sistema::exePath)) {
                // A velkor-importar run may have made it since the look
                // above, and already be registering businesses in it.
                if (Archivos::creaPrivadoNuevo(Sistema::dbUsuariosSistema, bd->data()) && conNegocios)
                    emit registroFaltante();
            }
            break;
        }
        case TBaseDatosLocalFrm::TEstadoRegistro::Danado: {
            // Read as it is, a damaged registry counts no business and the
            // wizard would offer the first run as if none had ever been made.
            const std::unique_ptr<QBuffer> bd = Utils::getResource(Constantes::RS_USRDB, Sistema::exePath);
            emit registroDanado(TBaseDatosLocalFrm::reemplazaRegistro(bd ? bd->data() : QByteArray()));
            break;
        }
        case TBaseDatosLocalFrm::TEstadoRegistro::Ocupado:
        case TBaseDatosLocalFrm::TEstadoRegistro::SinPermiso:
            // Counted, it would read as no business after a long wait, and
            // the wizard would offer the first run.
            registra(QStringLiteral("No se pudo leer el registro de empresas %1.").arg(Sistema::dbUsuariosSistema));
            contar = false;
            emit registroIlegible(estado);
            break;
        case TBaseDatosLocalFrm::TEstadoRegistro::Legible:
            registroLocal().migraCadenas();
            break;
        }
    } catch (const std::exception& e) {
        registraError(e);
    }
    int empresas = 0;
    try {
        if (contar)
            empresas = registroLocal().getNumeroEmpresas();
    } catch (const std::exception& e) {
        registraError(e);
    }
    emit terminado(empresas);
}
