#include "Capturas.h"
#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "Secretos.h"
#include "SelectorArchivos.h"
#include "negocio/SecretoNegocio.h"
#include "Sistema.h"
#include "negocio/ModulosInstalados.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TConfiguracionNegocio.h"
#include "admin/TEdicionEmpresa.h"
#include "admin/TEmpresaFrm.h"
#include "admin/TSeccionEmpresa.h"
#include "negocio/TIngreso.h"
#include "shell/TMainFrm.h"
#include "admin/TUsuariosNegocio.h"
#include "app/PrompterCajas.h"
#include "admin/TSeriesFoliosFrm.h"
#include "setup/TWizardFrm.h"
#include "app/Ventanas.h"
#include "Piezas.h"
#include "ProgramaPrueba.h"
#include "TamanoLimitado.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <future>
#include <thread>

using namespace Qt::StringLiterals;
using namespace Constantes;
using NegocioPrueba::RFC_ESCUELA;
using UsuariosNegocio::TResultado;

namespace {

const QString CORREO = u"dueno@escuela.mx"_s;
const QString PASSWORD = u"Secreta#1"_s;
const QString ANA = u"ana@escuela.mx"_s;
// The rights' boxes in the order of the permission text.
const QStringList CAJAS_MODULOS = {"ChBridgeTxt",   "ChReportes", "ChProductos", "ChNomina",
                                   "ChFacturacion", "ChClientes", "ChRespaldos", "ChPermisos"};

// The program as started, one business registered and its owner signed in.
class TPrograma : public TProgramaPrueba {
public:
    explicit TPrograma(const QString& rfc = RFC_ESCUELA)
    {
        arranca(true, [rfc] { NegocioPrueba::crea(rfc, CORREO, PASSWORD); });
        WizardFrm->hide();
        if (Ingreso::ingresa(rfc, CORREO, PASSWORD) != Ingreso::TResultado::Correcto)
            qFatal("no sign-in");
    }
};

TNegocio negocioGuardado()
{
    return *TNegocio::getById(Sistema::Negocio->getIdnegocio(), *Sistema::Conexion);
}

QString textoPlano(const QString& email)
{
    const auto usuario = TUsuario::getInfoByEmail(email, *Sistema::Conexion);
    const auto liga = TUsuarionegocio::getByUsuarioAndNegocio(*usuario, *Sistema::Negocio, *Sistema::Conexion);
    return Sistema::permisosDe(*liga, *usuario).plano;
}

UsuariosNegocio::TNuevoUsuario nuevo(const QString& email, const QString& password = u"x"_s)
{
    UsuariosNegocio::TNuevoUsuario datos;
    datos.email = email;
    datos.nombre = u"Ana"_s;
    datos.password = password;
    datos.repitePassword = password;
    datos.permisos = {true, false, true, false, true, false, true, false};
    return datos;
}

// The editor's widget of that name (its page may be hosted by the main
// window: it is searched from the page's holder).
template <class T> T* hijo(const QString& nombre)
{
    return pieza<T>(EmpresaFrm->TxFondo, nombre);
}

QLineEdit* campo(const QString& nombre)
{
    return hijo<QLineEdit>(nombre);
}

void pulsa(const QString& boton)
{
    hijo<QPushButton>(boton)->click();
}

// A link (a section's title, the bin) clicked as the user does.
void clic(const QString& enlace)
{
    QTest::mouseClick(hijo<QLabel>(enlace), Qt::LeftButton);
}

// The user of that row chosen in the users' grid.
void eligeUsuario(int renglon)
{
    auto* grid = hijo<QTableWidget>("GrPermisos");
    grid->setCurrentCell(-1, -1);
    grid->setCurrentCell(renglon, 0);
}

} // namespace

class TstEmpresa : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        NegocioPrueba::limpiaSesion();
        ModulosInstalados::olvida();
    }

    // Each save stores its own fields, and a failed one leaves what was there.
    void guardados()
    {
        TPrograma programa;
        EdicionEmpresa::guardaNombre(u"  La Escuela  "_s);
        QCOMPARE(negocioGuardado().getNombre(), u"La Escuela"_s);
        QVERIFY_THROWS_EXCEPTION(EVelkor, EdicionEmpresa::guardaNombre(u"   "_s));
        QCOMPARE(negocioGuardado().getNombre(), u"La Escuela"_s);

        const QString regimen = u"612 - Personas Físicas con Actividades Empresariales"_s;
        EdicionEmpresa::guardaDatosFiscales(regimen, u"ESCUELA NUEVA"_s);
        QCOMPARE(EdicionEmpresa::regimenActual(), regimen);
        QCOMPARE(negocioGuardado().getDatosfiscales()->getRazon(), u"ESCUELA NUEVA"_s);
        QCOMPARE(negocioGuardado().getDatosfiscales()->getRegimen(), u"612"_s);
        // The prompt keeps the stored regime and still saves the legal name.
        EdicionEmpresa::guardaDatosFiscales(REGIMEN_FISCAL, u"OTRA RAZON"_s);
        QCOMPARE(EdicionEmpresa::regimenActual(), regimen);
        QCOMPARE(negocioGuardado().getDatosfiscales()->getRazon(), u"OTRA RAZON"_s);

        // A certificate of another RFC is refused at the save as well.
        using NegocioPrueba::PASSWORD_CSD;
        const QString accem = NegocioPrueba::RFC_ACCEM;
        QVERIFY_THROWS_EXCEPTION(ECertificado,
                                 EdicionEmpresa::guardaCertificado(NegocioPrueba::certificado(accem),
                                                                   NegocioPrueba::llave(accem), PASSWORD_CSD, u"X"_s));
        QCOMPARE(negocioGuardado().getDatosfiscales()->getRazon(), u"OTRA RAZON"_s);
        const int antes = TCertificado::cuenta(TCondicion(), *Sistema::Conexion);
        EdicionEmpresa::guardaCertificado(NegocioPrueba::certificado(RFC_ESCUELA), NegocioPrueba::llave(RFC_ESCUELA),
                                          PASSWORD_CSD, u"ESCUELA KEMPER URGATE"_s);
        QCOMPARE(TCertificado::cuenta(TCondicion(), *Sistema::Conexion), antes + 1);
        // Its key password is enciphered under this installation's key.
        const QString guardado = TCertificado::getByNegocio(*Sistema::Negocio, *Sistema::Conexion)->getNegPassword();
        QVERIFY(!Secretos::esFormaAntigua(guardado));
        QCOMPARE(Secretos::descifraLocal(guardado, programa.carpeta.ruta()), PASSWORD_CSD);
        QCOMPARE(negocioGuardado().getDatosfiscales()->getRazon(), u"ESCUELA KEMPER URGATE"_s);

        // Without the business's INI file the switch is not kept.
        const TConfiguracionNegocio ini(programa.carpeta.ruta(), RFC_ESCUELA);
        QVERIFY(!EdicionEmpresa::guardaImpresion(true));
        QVERIFY(!Sistema::imprimeLogo);
        ini.crea();
        QVERIFY(EdicionEmpresa::guardaImpresion(true));
        QVERIFY(Sistema::imprimeLogo && ini.imprimeLogo());
        // A disk that takes nothing says why.
        QString motivo;
        try {
            const TTamanoLimitado lleno(0);
            ini.setImprimeLogo(false);
        } catch (const EEntradaSalida& e) {
            motivo = e.mensaje();
        }
        QVERIFY2(motivo.endsWith(u": El archivo llegó al tamaño máximo que el sistema permite."_s), qPrintable(motivo));
    }

    // A regime the database lacks, chosen in the editor's list, is added for
    // the kind of person the business is (the list offers only those).
    void regimenNuevo_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("regimen");
        QTest::addColumn<QString>("persona");
        QTest::newRow("persona moral") << RFC_ESCUELA << u"603 - Personas Morales con Fines no Lucrativos"_s
                                       << TRegimen::PERSONA_MORAL;
        QTest::newRow("persona física") << u"XOJI740919U48"_s
                                        << u"612 - Personas Físicas con Actividades Empresariales y Profesionales"_s
                                        << TRegimen::PERSONA_FISICA;
    }
    void regimenNuevo()
    {
        QFETCH(QString, rfc);
        QFETCH(QString, regimen);
        QFETCH(QString, persona);
        TPrograma programa(rfc);
        programa.carpeta.instalaCatalogo();
        QVERIFY(!TRegimen::getByDescripcion(regimen, *Sistema::Conexion));
        EmpresaFrm->inicializa();
        clic("TxTopDatosFiscalesTituloLeyenda");
        auto* combo = hijo<QComboBox>("CmbRegimenFiscal");
        const int indice = combo->findText(regimen);
        QVERIFY2(indice > 0, qPrintable(regimen));
        combo->setCurrentIndex(indice);
        programa.respuestas.limpia();
        pulsa("BtGuardarIF");
        QCOMPARE(programa.respuestas.textos(), QStringList{INFORMACION_GUARDADA_EXITO});
        QCOMPARE(EdicionEmpresa::regimenActual(), regimen);
        const std::unique_ptr<TRegimen> guardado = TRegimen::getByDescripcion(regimen, *Sistema::Conexion);
        QVERIFY(guardado);
        QCOMPARE(guardado->getPersonafiscal(), persona);
    }

    // Another user's save shows when a section is opened again.
    void seccionReleida()
    {
        TPrograma programa;
        EmpresaFrm->inicializa();
        TNegocio otro = negocioGuardado();
        otro.setNombre(u"Nombre de otro usuario"_s);
        TNegocio::saveOrUpdate(otro, TUnidadTrabajo(*Sistema::Conexion, 1));
        clic("TxNombreNegocioTitulo");
        QCOMPARE(campo("EdNombreNegocio")->text(), u"Nombre de otro usuario"_s);
        // A save changes its own field only: the other user's logo stays.
        otro = negocioGuardado();
        otro.setLogonegocio(QByteArray("logo del otro"));
        TNegocio::saveOrUpdate(otro, TUnidadTrabajo(*Sistema::Conexion, 1));
        EdicionEmpresa::guardaNombre(u"Mi nombre"_s);
        QCOMPARE(negocioGuardado().getLogonegocio(), QByteArray("logo del otro"));
        QCOMPARE(negocioGuardado().getNombre(), u"Mi nombre"_s);
        clic("TxNombreNegocioTitulo"); // closes it
        QVERIFY(campo("EdNombreNegocio")->isHidden() || !campo("EdNombreNegocio")->isVisibleTo(EmpresaFrm));
    }

    // Typing not saved is not lost without a word when another section
    // opens: Cancelar keeps it and its section, Aceptar shows the stored
    // value again. With nothing typed nothing is asked.
    void cambiosSinGuardar_data()
    {
        QTest::addColumn<QString>("seccion");
        QTest::addColumn<QString>("nombreCampo");
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<int>("respuesta");
        // A button pressed before typing, where the form opens with one.
        QTest::addColumn<QString>("boton");
        QTest::newRow("nada escrito") << u"TxTopNombreNegocio"_s << u"EdNombreNegocio"_s << QString() << 0 << QString();
        QTest::newRow("nombre, Cancelar")
            << u"TxTopNombreNegocio"_s << u"EdNombreNegocio"_s << u" y Asociados"_s << TPrompter::CANCELAR << QString();
        QTest::newRow("razón social, Aceptar")
            << u"TxTopDatosFiscales"_s << u"EdRazon"_s << u" SA"_s << TPrompter::OK << QString();
        QTest::newRow("contraseña de la llave, Aceptar")
            << u"TxTopCSD"_s << u"EdCSDPass"_s << u"secreto"_s << TPrompter::OK << QString();
        QTest::newRow("usuario nuevo, Cancelar")
            << u"TxUsuarios"_s << u"EdEmail"_s << u"nuevo@kemper.mx"_s << TPrompter::CANCELAR << u"BtAgregarUsuario"_s;
        QTest::newRow("usuario nuevo, Aceptar")
            << u"TxUsuarios"_s << u"EdEmail"_s << u"nuevo@kemper.mx"_s << TPrompter::OK << u"BtAgregarUsuario"_s;
    }
    void cambiosSinGuardar()
    {
        QFETCH(QString, seccion);
        QFETCH(QString, nombreCampo);
        QFETCH(QString, escrito);
        QFETCH(int, respuesta);
        QFETCH(QString, boton);
        TPrograma programa;
        EmpresaFrm->inicializa();
        const QString titulo = hijo<TSeccionEmpresa>(seccion)->titulo()->objectName();
        clic(titulo);
        const QString alAbrir = campo(nombreCampo)->text();
        if (!boton.isEmpty())
            pulsa(boton);
        const QString guardado = campo(nombreCampo)->text();
        QTest::keyClicks(campo(nombreCampo), escrito);
        programa.respuestas.limpia();
        if (respuesta)
            programa.respuestas.agregaRespuesta(respuesta);
        clic("TxTopLogoNegocioTituloLeyenda");
        const bool sigue = respuesta == TPrompter::CANCELAR;
        QCOMPARE(programa.respuestas.textos(),
                 escrito.isEmpty() ? QStringList()
                                   : QStringList{u"Hay cambios sin guardar en «%1». ¿Quieres descartarlos?"_s.arg(
                                         campo(nombreCampo)->placeholderText())});
        QCOMPARE(campo(nombreCampo)->text(), sigue ? guardado + escrito : alAbrir);
        QCOMPARE(hijo<TSeccionEmpresa>(seccion)->abierta(), sigue);
        QCOMPARE(hijo<TSeccionEmpresa>(u"TxTopLogoNegocio"_s)->abierta(), !sigue);
        if (sigue)
            return;
        // What was thrown away is not asked about again.
        programa.respuestas.limpia();
        clic(titulo);
        QVERIFY(programa.respuestas.textos().isEmpty());
        QCOMPARE(campo(nombreCampo)->text(), alAbrir);
    }

    // A regime picked and not saved is asked about too, and thrown away on
    // Aceptar.
    void regimenSinGuardar()
    {
        TPrograma programa;
        programa.carpeta.instalaCatalogo();
        EmpresaFrm->inicializa();
        clic(hijo<TSeccionEmpresa>(u"TxTopDatosFiscales"_s)->titulo()->objectName());
        auto* regimen = hijo<QComboBox>(u"CmbRegimenFiscal"_s);
        const int guardado = regimen->currentIndex();
        QVERIFY(regimen->count() > guardado + 1);
        QTest::keyClick(regimen, Qt::Key_Down);
        programa.respuestas.limpia();
        programa.respuestas.agregaRespuesta(TPrompter::OK);
        clic("TxTopLogoNegocioTituloLeyenda");
        QCOMPARE(programa.respuestas.textos(),
                 QStringList{u"Hay cambios sin guardar en «Régimen Fiscal». ¿Quieres descartarlos?"_s});
        QCOMPARE(regimen->currentIndex(), guardado);
    }

    void imagenRechazada_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::newRow("no es imagen") << QByteArray("esto no es una imagen");
        QTest::newRow("demasiado grande") << QByteArray(5 * 1024 * 1024, 'x');
    }
    void imagenRechazada()
    {
        QFETCH(QByteArray, contenido);
        TPrograma programa;
        const QByteArray antes = negocioGuardado().getLogonegocio();
        const QString archivo = programa.carpeta.archivo(u"logo.png"_s);
        QVERIFY(TCarpetaPrograma::escribe(archivo, contenido));
        QVERIFY_THROWS_EXCEPTION(EVelkor, EdicionEmpresa::guardaLogo(archivo));
        QCOMPARE(negocioGuardado().getLogonegocio(), antes);
        // The window refuses it when chosen, and says why.
        TColaArchivos archivos;
        archivos.agrega(archivo);
        pulsa("BtPerfil");
        QVERIFY(EmpresaFrm->imagenElegida().isEmpty());
        QCOMPARE(programa.respuestas.textos().size(), 1);

        QImage imagen(20, 10, QImage::Format_RGB32);
        imagen.fill(Qt::red);
        QVERIFY(imagen.save(archivo, "PNG"));
        QVERIFY(!EdicionEmpresa::guardaLogo(archivo).isEmpty());
        QVERIFY(negocioGuardado().getLogonegocio() != antes);
    }

    // Written "-1" / "0" after the stored RFC; "TRUE" reads as granted.
    void textoPermisos()
    {
        TPrograma programa;
        QCOMPARE(UsuariosNegocio::agrega(nuevo(ANA)), TResultado::Correcto);
        QCOMPARE(textoPlano(ANA), RFC_ESCUELA + USR_PASS + u"|-1|0|-1|0|-1|0|-1|0|TRUE|TRUE|TRUE|TRUE"_s);
        const auto ana = TUsuario::getInfoByEmail(ANA, *Sistema::Conexion);
        TUsuarionegocio conTrue;
        conTrue.setNivelpermiso(SecretoNegocio::firmaPermisos(
            *Sistema::Negocio, *ana, RFC_ESCUELA + USR_PASS + u"|TRUE|0|TRUE|-1|FALSE|0|0|TRUE|TRUE|TRUE|TRUE|TRUE"_s,
            *Sistema::Conexion));
        const UsuariosNegocio::TPermisos leidos = UsuariosNegocio::leePermisos(conTrue, *ana);
        QVERIFY(leidos == (UsuariosNegocio::TPermisos{true, false, true, true, false, false, false, true}));

        // The form's RFC field may be cleared; the text keeps the business's RFC.
        EmpresaFrm->inicializa();
        pulsa("BtLimpiarCampos");
        QCOMPARE(UsuariosNegocio::actualizaPermisos(ANA, UsuariosNegocio::todos(true)), TResultado::Correcto);
        QVERIFY(textoPlano(ANA).startsWith(RFC_ESCUELA + USR_PASS + u"|-1|"_s));
        // The grid shows what the text grants.
        clic("TxUsuariosTituloLeyenda");
        QCOMPARE(EmpresaFrm->filasUsuarios().size(), 2);
        QVERIFY(EmpresaFrm->filasUsuarios().at(1).permisos == UsuariosNegocio::todos(true));
    }

    // Nobody changes their own rights, nor anybody's without the right.
    void derechos()
    {
        TPrograma programa;
        QCOMPARE(UsuariosNegocio::agrega(nuevo(ANA)), TResultado::Correcto);
        const QString propio = textoPlano(CORREO);
        QCOMPARE(UsuariosNegocio::puedeEditar(CORREO), TResultado::EdicionPropia);
        QCOMPARE(UsuariosNegocio::actualizaPermisos(u"  DUENO@escuela.mx "_s, UsuariosNegocio::todos(false)),
                 TResultado::EdicionPropia);
        QCOMPARE(textoPlano(CORREO), propio);

        // The window, opened on its first user: Enter on a row edits it, and
        // the e-mail of the user edited cannot be typed over.
        clic("TxUsuariosTituloLeyenda");
        QVERIFY(hijo<QPushButton>("BtEditarUsuario")->isEnabled());
        eligeUsuario(1);
        QTest::keyClick(hijo<QTableWidget>("GrPermisos"), Qt::Key_Return);
        QVERIFY(campo("EdEmail")->isReadOnly());
        eligeUsuario(0);
        pulsa("BtCancelar");
        eligeUsuario(0);
        pulsa("BtEditarUsuario");
        QCOMPARE(programa.respuestas.textos().last(), ERR_EDICION_PERMISOS);

        NegocioPrueba::fijaPermisos(u"-1|-1|-1|-1|-1|-1|-1|0"_s);
        // Stored too: rights are handed out by the link as the database has it.
        TUsuarionegocio::saveOrUpdate(*Sistema::UsuarioNegocio, TUnidadTrabajo(*Sistema::Conexion, 1));
        QCOMPARE(UsuariosNegocio::actualizaPermisos(ANA, UsuariosNegocio::todos(true)), TResultado::SinPermiso);
        QCOMPARE(UsuariosNegocio::agrega(nuevo(u"beto@escuela.mx"_s)), TResultado::SinPermiso);
        QVERIFY(!TUsuario::getInfoByEmail(u"beto@escuela.mx"_s, *Sistema::Conexion));
        // The window asks the database too, not the session's copy.
        NegocioPrueba::fijaPermisos(u"-1|-1|-1|-1|-1|-1|-1|-1"_s);
        pulsa("BtAgregarUsuario");
        QCOMPARE(programa.respuestas.textos().last(), ERROR_PERMISOS);
        QVERIFY(!hijo<QWidget>("TxUsuarioContenedor")->isEnabled());
        // Nor is the business deleted.
        clic("ImgBoteBasura");
        QCOMPARE(programa.respuestas.textos().last(), ERROR_PERMISOS);
        QCOMPARE(negocioGuardado().getStatus(), TNegocio::ESTATUS_ACTIVO);
    }

    // A user added in the editor starts with no rights, is offered only the
    // installed modules' and the administration right, and signs in with the
    // password given there. Editing keeps the rights not offered.
    void nuevoUsuarioIngresa_data()
    {
        QTest::addColumn<QStringList>("instalados");
        QTest::addColumn<QStringList>("ofrecidos");
        QTest::newRow("sin módulos") << QStringList() << QStringList{"ChPermisos"};
        QTest::newRow("reportes") << QStringList{CODIGO_REPORTES} << QStringList{"ChReportes", "ChPermisos"};
        QTest::newRow("tres módulos") << QStringList{CODIGO_RESPALDOS, CODIGO_REPORTES, CODIGO_BRIDGE_TXT}
                                      << QStringList{"ChBridgeTxt", "ChReportes", "ChRespaldos", "ChPermisos"};
    }
    void nuevoUsuarioIngresa()
    {
        QFETCH(QStringList, instalados);
        QFETCH(QStringList, ofrecidos);
        TPrograma programa;
        for (const QString& codigo : instalados)
            ModulosInstalados::registra(codigo);
        clic("TxUsuariosTituloLeyenda");
        auto* grid = hijo<QTableWidget>("GrPermisos");
        QStringList mostrados;
        QStringList columnas;
        for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
            if (!hijo<QCheckBox>(CAJAS_MODULOS.at(k))->isHidden())
                mostrados << CAJAS_MODULOS.at(k);
            if (!grid->isColumnHidden(k + 1))
                columnas << grid->horizontalHeaderItem(k + 1)->text();
        }
        QCOMPARE(mostrados, ofrecidos);
        QCOMPARE(columnas.size(), ofrecidos.size());
        QCOMPARE(columnas.last(), u"Permisos"_s);
        QVERIFY(hijo<QLabel>("TxSinPermisos")->isHidden());

        pulsa("BtAgregarUsuario");
        QVERIFY(!hijo<QLabel>("TxSinPermisos")->isHidden());
        for (QCheckBox* caja : EmpresaFrm->TxFondo->findChildren<QCheckBox*>())
            QVERIFY2(!caja->isChecked(), qPrintable(caja->objectName()));
        campo("EdEmail")->setText(u" ana@escuela.mx "_s);
        campo("EdPassword")->setText(u"Clave#9"_s);
        campo("EdRepitePassword")->setText(u"Otra"_s);
        pulsa("BtGuardarUsuario");
        // Refused, and what was typed stays.
        QCOMPARE(campo("EdEmail")->text(), u" ana@escuela.mx "_s);
        QVERIFY(!TUsuario::getInfoByEmail(ANA, *Sistema::Conexion));
        campo("EdRepitePassword")->setText(u"Clave#9"_s);
        hijo<QCheckBox>(ofrecidos.first())->setChecked(true);
        pulsa("BtGuardarUsuario");
        QCOMPARE(programa.respuestas.textos().last(), MSG_USUARIO_GUARDADO_EXITO);
        QCOMPARE(EmpresaFrm->filasUsuarios().size(), 2);

        // A right not offered, stored by an earlier installation, outlives an
        // edit of the rights that are.
        const auto ana = TUsuario::getInfoByEmail(ANA, *Sistema::Conexion);
        UsuariosNegocio::TPermisos conFacturacion = UsuariosNegocio::leePermisos(
            *TUsuarionegocio::getByUsuarioAndNegocio(*ana, *Sistema::Negocio, *Sistema::Conexion), *ana);
        conFacturacion[4] = true;
        QCOMPARE(UsuariosNegocio::actualizaPermisos(ANA, conFacturacion), TResultado::Correcto);
        eligeUsuario(1);
        pulsa("BtEditarUsuario");
        hijo<QCheckBox>("ChPermisos")->setChecked(true);
        pulsa("BtGuardarUsuario");
        QCOMPARE(programa.respuestas.textos().last(), MSG_USUARIO_ACTUALIZADO_EXITO);

        NegocioPrueba::limpiaSesion();
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, ANA, u"Otra"_s), Ingreso::TResultado::UsuarioIncorrecto);
        QCOMPARE(Ingreso::ingresa(RFC_ESCUELA, ANA, u"Clave#9"_s), Ingreso::TResultado::Correcto);
        for (int k = 0; k < UsuariosNegocio::NUMERO_MODULOS; ++k) {
            const QString codigo = UsuariosNegocio::codigosModulos().at(k);
            QCOMPARE(Sistema::getPermiso(codigo), CAJAS_MODULOS.at(k) == ofrecidos.first() ||
                                                      codigo == CODIGO_FACTURACION || codigo == CODIGO_PERMISOS);
        }
    }

    // "+ Agregar" clicked with Ctrl+Shift held, or Enter on the row, edits
    // the chosen series; clicked alone it adds one.
    void gestoEdicionSerie()
    {
        TPrograma programa;
        NegocioPrueba::agregaSerie(NegocioPrueba::agregaSucursal(u"Norte"_s), u"Z"_s, u"I"_s, u"7"_s, false);
        clic("TxTopSeriesFoliosTituloLeyenda");
        int renglon = -1;
        for (int k = 0; k < EmpresaFrm->filasSeries().size(); ++k)
            if (EmpresaFrm->filasSeries().at(k).serie == u"Z"_s)
                renglon = k;
        QVERIFY(renglon >= 0);
        auto* grid = hijo<QTableWidget>("GrSeriesFolios");
        grid->setCurrentCell(renglon, 0);

        // How the window the click (or Enter) opened was: 1 editing, 0
        // adding, -1 none.
        int modo = -1;
        const auto abre = [&](Qt::KeyboardModifiers teclas, bool conEnter = false) {
            modo = -1;
            QTimer::singleShot(0, SeriesFoliosFrm, [&] {
                modo = SeriesFoliosFrm->isEditar ? 1 : 0;
                SeriesFoliosFrm->reject();
            });
            if (conEnter)
                QTest::keyClick(grid, Qt::Key_Return);
            else
                QTest::mouseClick(hijo<QPushButton>("BtGuardarSeriesFolios"), Qt::LeftButton, teclas);
            return modo;
        };
        const Qt::KeyboardModifiers gesto = Qt::ShiftModifier | Qt::ControlModifier;
        QCOMPARE(abre(gesto), 1);
        QCOMPARE(abre(Qt::ControlModifier), 0);
        QCOMPARE(abre(Qt::NoModifier), 0);
        QCOMPARE(abre(Qt::NoModifier, true), 1);
        // With nothing selected the gesture adds, though a current row stays.
        grid->setCurrentCell(renglon, 0, QItemSelectionModel::NoUpdate);
        grid->clearSelection();
        QCOMPARE(grid->currentRow(), renglon);
        QCOMPARE(abre(gesto), 0);
    }

    // A series that cannot be read opens no dialog: the message says why.
    void serieIlegible()
    {
        TPrograma programa;
        NegocioPrueba::agregaSerie(NegocioPrueba::agregaSucursal(u"Norte"_s), u"Z"_s, u"I"_s, u"7"_s, false);
        clic("TxTopSeriesFoliosTituloLeyenda");
        hijo<QTableWidget>("GrSeriesFolios")->setCurrentCell(0, 0);
        QSqlQuery q(Conexiones::baseDatos(*Sistema::Conexion));
        QVERIFY2(q.exec(u"ALTER TABLE %1 DROP STATUS"_s.arg(TSerie::tablaEsquema().nombre)),
                 qPrintable(q.lastError().text()));
        QStringList abiertos;
        QTimer cierra; // gone with the test when no dialog opened
        cierra.setSingleShot(true);
        connect(&cierra, &QTimer::timeout, this, [&] {
            if (QDialog* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                abiertos << d->objectName();
                d->reject();
            }
        });
        cierra.start(0);
        QTest::mouseClick(hijo<QPushButton>("BtGuardarSeriesFolios"), Qt::LeftButton,
                          Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(abiertos, QStringList());
        QVERIFY2(programa.respuestas.textos().last().startsWith(u"No se pudo "_s),
                 qPrintable(programa.respuestas.textos().last()));
    }

    // Deleting waits for the RFC typed: a wrong one or none changes
    // nothing. The question names the business and counts its vouchers.
    // The last business deleted, its archive opens with its password, and
    // the wizard waits on the first run.
    void eliminacionPideElRfc_data()
    {
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<bool>("elimina");
        QTest::addColumn<bool>("respaldo");
        QTest::newRow("nada escrito") << QString() << false << false;
        QTest::newRow("otro RFC") << u"AAA010101AAA"_s << false << false;
        QTest::newRow("a medias") << RFC_ESCUELA.left(9) << false << false;
        QTest::newRow("su RFC en minúsculas") << u" "_s + RFC_ESCUELA.toLower() << true << false;
        QTest::newRow("su RFC, tras un respaldo") << RFC_ESCUELA << true << true;
    }
    void eliminacionPideElRfc()
    {
        QFETCH(QString, escrito);
        QFETCH(bool, elimina);
        QFETCH(bool, respaldo);
        TPrograma programa;
        MainFrm->show();
        MainFrm->TxEditarClick(nullptr);
        TComprobante comprobante;
        comprobante.setNegocio(negocioGuardado());
        comprobante.setUuid(u"E403F396-6A57-4625-ADB4-BB436B00789F"_s);
        TComprobante::saveOrUpdate(comprobante, TUnidadTrabajo(*Sistema::Conexion, 1));
        QTemporaryDir carpeta;
        TColaArchivos archivos;
        if (respaldo)
            archivos.agrega(carpeta.path());
        programa.respuestas.agregaRespuesta(respaldo ? TPrompter::OK : TPrompter::CANCELAR);
        if (!escrito.isNull())
            programa.respuestas.agregaEscrito(escrito);
        clic("ImgBoteBasura");

        const QStringList textos = programa.respuestas.textos();
        const int pregunta = respaldo ? 2 : 1; // after where the backup was written
        QVERIFY2(textos.size() > pregunta, qPrintable(textos.join(u'|')));
        QVERIFY2(textos.at(pregunta).contains(u"(RFC %1), que tiene 1 comprobante guardado"_s.arg(RFC_ESCUELA)),
                 qPrintable(textos.at(pregunta)));
        QCOMPARE(registroLocal().getNumeroEmpresas(), elimina ? 0 : 1);
        QCOMPARE(WizardFrm->isVisible(), elimina);
        if (!elimina)
            return;
        QVERIFY(!MainFrm->isVisible());
        QCOMPARE(pieza<QStackedWidget>(WizardFrm, "TabControl1")->currentIndex(), 0);
        QVERIFY(!Sistema::Negocio);
        const QString archivo = programa.carpeta.archivo(DB_PATH + RFC_ESCUELA + u'/' + RFC_ESCUELA + u".zip"_s);
        QTemporaryDir destino;
        TArchivoZip zip(archivo);
        QVERIFY(zip.entradas().size() > 1);
        for (const TArchivoZip::TEntrada& e : zip.entradas())
            QVERIFY(e.directorio || e.nombre.startsWith(DB_PATH + RFC_ESCUELA + u'/'));
        QVERIFY_THROWS_EXCEPTION(EArchivoZip, zip.extraeTodo(destino.path(), {u"otra"_s}));
        zip.extraeTodo(destino.path() + u"/bien"_s, {ELIMINACION_PASSWORD});
        QVERIFY(QFile::exists(destino.path() + u"/bien/"_s + DB_PATH + RFC_ESCUELA + u'/' + DB_SISTEMA_NOMBRE));
        // A backup asked for first is written where the user chose, and the
        // restore opens it with the backups' password.
        const QStringList respaldos = QDir(carpeta.path()).entryList({u'*' + RESPALDO_EXTENSION});
        QCOMPARE(respaldos.size(), respaldo ? 1 : 0);
        if (!respaldo)
            return;
        QVERIFY(respaldos.first().startsWith(RFC_ESCUELA + u'-'));
        QTemporaryDir restaurado;
        TArchivoZip(carpeta.filePath(respaldos.first())).extraeTodo(restaurado.path(), {RESPALDO_PASSWORD});
        QVERIFY(QFile::exists(restaurado.path() + u'/' + DB_PATH + RFC_ESCUELA + u'/' + DB_SISTEMA_NOMBRE));
    }

    // While the business is archived and deleted, a modal progress window
    // in Spanish shows and the editor takes no second action: the bin asks
    // nothing. The deletion is held at the business's row, changed and not
    // committed by another connection, until the test has looked.
    void eliminacionMuestraAvance()
    {
        TPrograma programa;
        MainFrm->show();
        MainFrm->TxEditarClick(nullptr);
        const TConexionSesion conexion = *Sistema::Conexion;
        const qint64 idNegocio = Sistema::Negocio->getIdnegocio();
        std::promise<void> retenida;
        std::promise<void> suelta;
        std::thread retencion([&] {
            {
                TTransaccion transaccion(conexion);
                std::unique_ptr<TNegocio> negocio = TNegocio::getById(idNegocio, conexion);
                negocio->setNombre(u"Retenida"_s);
                TNegocio::saveOrUpdate(*negocio, TUnidadTrabajo(conexion, 1));
                retenida.set_value();
                suelta.get_future().wait();
            }
            Conexiones::cierraHilo();
        });
        retenida.get_future().wait();
        programa.respuestas.agregaRespuesta(TPrompter::CANCELAR); // no backup
        programa.respuestas.agregaEscrito(RFC_ESCUELA);
        QString titulo;
        QString cancelar;
        bool modal = false;
        qsizetype preguntas = -1;
        QTimer::singleShot(0, this, [&] {
            if (auto* dialogo = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
                titulo = dialogo->windowTitle();
                modal = dialogo->isVisible() && dialogo->windowModality() == Qt::ApplicationModal;
                if (auto* boton = dialogo->findChild<QPushButton*>(u"BtCancelarAvance"_s))
                    cancelar = boton->text();
            }
            const qsizetype antes = programa.respuestas.textos().size();
            clic("ImgBoteBasura");
            preguntas = programa.respuestas.textos().size() - antes;
            suelta.set_value();
        });
        clic("ImgBoteBasura");
        retencion.join();

        QCOMPARE(titulo, u"Eliminar la empresa"_s);
        QCOMPARE(cancelar, u"Cancelar"_s);
        QVERIFY(modal);
        QCOMPARE(preguntas, 0);
        QCOMPARE(registroLocal().getNumeroEmpresas(), 0);
        QVERIFY(WizardFrm->isVisible());
    }

    // The typed confirmation: "Confirmar" waits for the key; once it is
    // typed, Enter confirms.
    void cajaDeConfirmacionEscrita()
    {
        std::unique_ptr<QDialog> caja(TPrompterCajas::cajaEscrita(
            EdicionEmpresa::avisoEliminacion({RFC_ESCUELA, u"Escuela Kemper Urgate"_s, 1234}), RFC_ESCUELA));
        caja->show();
        auto* campo = caja->findChild<QLineEdit*>(u"EdConfirmacion"_s);
        auto* confirmar = caja->findChild<QPushButton*>(u"BtConfirmar"_s);
        auto* cancelar = caja->findChild<QPushButton*>(u"BtCancelar"_s);
        QVERIFY(campo && confirmar && cancelar);
        QVERIFY(cancelar->isDefault());
        QVERIFY(!confirmar->isEnabled());
        QTest::keyClicks(campo, RFC_ESCUELA.left(11));
        QVERIFY(!confirmar->isEnabled());
        QTest::keyClicks(campo, RFC_ESCUELA.mid(11));
        QVERIFY(confirmar->isEnabled());
        QVERIFY(caja->findChild<QLabel*>()->text().contains(u"1,234 comprobantes"_s));
        Capturas::guarda(*caja, u"confirmacion-eliminar"_s);
        QTest::keyClick(campo, Qt::Key_Return);
        QCOMPARE(caja->result(), int(QDialog::Accepted));
    }

    // The users' form takes no more than the person's columns hold.
    void largosDeColumna_data()
    {
        QTest::addColumn<QString>("campo");
        QTest::addColumn<int>("largo");
        for (const auto& [campo, columna] : {std::pair{"EdNombre", TPersona::col_Nombre},
                                             {"EdApellidoPaterno", TPersona::col_Apellidopaterno},
                                             {"EdApellidoMaterno", TPersona::col_Apellidomaterno}})
            QTest::newRow(campo) << QString::fromLatin1(campo) << TPersona::tablaEsquema().columnas.at(columna).largo;
    }
    void largosDeColumna()
    {
        QFETCH(QString, campo);
        QFETCH(int, largo);
        TEmpresaFrm editor;
        QCOMPARE(pieza<QLineEdit>(editor, campo)->maxLength(), largo);
    }

    // Opened from the side panel, the editor takes the focus at its first
    // section (not at the bin, nor left on the panel's "Editar"). The bin is
    // a keyboard stop, framed when it has the focus, and Space or Enter start
    // the deletion as a click does.
    void papeleraConTeclado_data()
    {
        QTest::addColumn<int>("tecla");
        QTest::newRow("espacio") << int(Qt::Key_Space);
        QTest::newRow("entrar") << int(Qt::Key_Return);
    }
    void papeleraConTeclado()
    {
        QFETCH(int, tecla);
        TPrograma programa;
        MainFrm->show();
        QApplication::setActiveWindow(MainFrm);
        QVERIFY(QTest::qWaitForWindowActive(MainFrm));
        MainFrm->TxEditarClick(nullptr);
        QCOMPARE(QApplication::focusWidget(), hijo<QLabel>("TxNombreNegocioTitulo"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        auto* bote = hijo<QLabel>("ImgBoteBasura");
        QCOMPARE(QApplication::focusWidget(), bote);
        // Forward as well, from the window's last stop before the editor.
        MainFrm->findChild<QWidget*>(u"TxUser"_s)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), bote);
        QVERIFY(bote->findChild<QWidget*>(u"velkor-marco-foco"_s)->isVisible());
        programa.respuestas.agregaRespuesta(TPrompter::CANCELAR); // no backup
        programa.respuestas.agregaEscrito(u"otra cosa"_s);
        QTest::keyClick(bote, static_cast<Qt::Key>(tecla));
        QVERIFY(!programa.respuestas.textos().isEmpty());
        QCOMPARE(negocioGuardado().getStatus(), TNegocio::ESTATUS_ACTIVO);
    }

    // The editor as it shows, and its keyboard path.
    void vista()
    {
        TPrograma programa;
        EmpresaFrm->inicializa();
        clic("TxUsuariosTituloLeyenda");
        EmpresaFrm->resize(820, EmpresaFrm->getHeight());
        EmpresaFrm->TxFondo->resize(820, EmpresaFrm->getHeight());
        if (Capturas::pedidas()) {
            NegocioPrueba::agregaSerie(NegocioPrueba::agregaSucursal(u"Norte & Sur"_s), u"A"_s, u"I"_s, u"7"_s, true);
            for (QLabel* titulo : EmpresaFrm->TxFondo->findChildren<QLabel*>()) {
                if (!titulo->objectName().contains(u"Titulo"_s) || titulo->objectName() == u"TxTituloEmpresa"_s)
                    continue;
                QTest::mouseClick(titulo, Qt::LeftButton);
                EmpresaFrm->TxFondo->resize(820, EmpresaFrm->getHeight());
                Capturas::guarda(*EmpresaFrm->TxFondo, titulo->objectName());
            }
        }
        clic("TxNombreNegocioTitulo");
        EmpresaFrm->show();
        QVERIFY(QTest::qWaitForWindowExposed(EmpresaFrm));
        campo("EdNombreNegocio")->setFocus();
        // The object names of the next `n` widgets Tab reaches.
        const auto tabula = [](int n) {
            QStringList camino;
            for (int k = 0; k < n; ++k) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                camino << QApplication::focusWidget()->objectName();
            }
            return camino;
        };
        QCOMPARE(tabula(3), (QStringList{"BtGuardar", "TxTopCSDTiuloLeyenda", "TxTopDatosFiscalesTituloLeyenda"}));
        // The user form, once adding: fields in reading order, then the boxes
        // of the rights offered.
        ModulosInstalados::registra(CODIGO_REPORTES);
        clic("TxUsuariosTituloLeyenda");
        pulsa("BtAgregarUsuario");
        QCOMPARE(tabula(7), (QStringList{"EdNombre", "EdApellidoPaterno", "EdApellidoMaterno", "EdPassword",
                                         "EdRepitePassword", "ChReportes", "ChPermisos"}));
        // Escape asks before a half-filled user is thrown away.
        QTest::keyClicks(campo("EdNombre"), u"Ana"_s);
        programa.respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(programa.respuestas.textos(),
                 QStringList{u"Hay cambios sin guardar en «Nombre». ¿Quieres descartarlos?"_s});
        QCOMPARE(campo("EdNombre")->text(), u"Ana"_s);
        // Enter in a field saves.
        campo("EdEmail")->setText(ANA);
        for (const char* clave : {"EdPassword", "EdRepitePassword"})
            campo(clave)->setText(u"Clave#9"_s);
        campo("EdRepitePassword")->setFocus();
        QTest::keyClick(campo("EdRepitePassword"), Qt::Key_Return);
        QCOMPARE(programa.respuestas.textos().last(), MSG_USUARIO_GUARDADO_EXITO);
    }
};

QTEST_MAIN(TstEmpresa)
#include "tst_empresa.moc"
