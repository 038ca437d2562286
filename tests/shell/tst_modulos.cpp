#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "ContratoModulos.h"
#include "shell/Despacho.h"
#include "Entidades.h"
#include "shell/Modulos.h"
#include "NegocioPrueba.h"
#include "Prompter.h"
#include "RegistroClases.h"
#include "Sistema.h"
#include "Style.h"
#include "shell/TContenedorTexto.h"
#include "TContenidoEjemplo.h"
#include "shell/TEtiquetaAccion.h"
#include "shell/TMainFrm.h"
#include "shell/TMenuModulos.h"
#include "Piezas.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <tuple>

using namespace Qt::StringLiterals;

using namespace Constantes;

namespace {

const QString TODOS_LOS_PERMISOS = u"-1|-1|-1|-1|-1|-1|-1|-1"_s;
// Every right but products (position 3).
const QString SIN_PRODUCTOS = u"-1|-1|0|-1|-1|-1|-1|-1"_s;
// Every right but the text bridge (position 1).
const QString SIN_BRIDGE = u"0|-1|-1|-1|-1|-1|-1|-1"_s;

// Copies of the package files into the program folder's Plugins/; each copy
// is a file of its own, loaded anew.
void instalaPaquetes(const TCarpetaPrograma& carpeta, const QStringList& archivos)
{
    for (const QString& archivo : archivos) {
        const QString origen = archivo == u"Ejemplo.bpl"_s    ? QStringLiteral(VELKOR_PAQUETE_EJEMPLO)
                               : archivo == u"Reportes.bpl"_s ? QStringLiteral(VELKOR_PAQUETE_REPORTES)
                                                              : QStringLiteral(VELKOR_PAQUETES_PRUEBA "/") + archivo;
        QVERIFY2(QFile::copy(origen, carpeta.archivo(u"Plugins/"_s + archivo)), qPrintable(archivo));
    }
}

// The main window over a session kept in memory (no database), with the
// packages given installed and the rights given.
class TVentanaModulos {
public:
    explicit TVentanaModulos(const QStringList& paquetes, const QString& permisos = TODOS_LOS_PERMISOS)
    {
        instalaPaquetes(carpeta, paquetes);
        Sistema::Negocio = std::make_shared<TNegocio>();
        Sistema::Negocio->setNombre(u"Papelería Ñandú"_s);
        // Permission texts are bound to the RFC of the business they are read for.
        auto fiscales = std::make_shared<TDatosfiscales>();
        fiscales->setIddatosfiscales(1);
        fiscales->setRfc(u"PAP010101AAA"_s);
        Sistema::Negocio->setDatosfiscales(fiscales);
        Sistema::Usuario = std::make_shared<TUsuario>();
        Sistema::Usuario->setEmail(u"dueno@papeleria.mx"_s);
        Sistema::UsuarioNegocio = std::make_shared<TUsuarionegocio>();
        NegocioPrueba::fijaPermisos(permisos);
        ventana = std::make_unique<TMainFrm>();
        MainFrm = ventana.get();
        ventana->show();
    }
    ~TVentanaModulos()
    {
        MainFrm = nullptr;
        ventana.reset();
        NegocioPrueba::limpiaSesion();
    }

    TEtiquetaAccion* fila(const QString& texto) const
    {
        for (TEtiquetaAccion* e : menu()->filas())
            if (e->text() == texto)
                return e;
        return nullptr;
    }
    QWidget* grupo(const QString& paquete) const { return menu()->widget()->findChild<QWidget*>(u"Menu"_s + paquete); }
    TMenuModulos* menu() const { return pieza<TMenuModulos>(ventana.get(), "SbMenuPrincipal"); }
    TContenedorTexto* trabajo() const { return pieza<TContenedorTexto>(ventana.get(), "TxVentanaPrincipal"); }
    QComboBox* series() const { return pieza<QComboBox>(ventana.get(), "CmbSeries"); }
    // A package's content: its class is the package's own copy, so it is
    // found by name and read through its properties.
    QWidget* contenido(const QString& nombre) const { return ventana->findChild<QWidget*>(nombre); }

    TCarpetaPrograma carpeta;
    TColaRespuestas respuestas;
    std::unique_ptr<TMainFrm> ventana;
};

QStringList nombres(const Modulos::TListaPaquetes& lista)
{
    QStringList n;
    for (const auto& p : lista)
        n << p->getNombreBPL();
    return n;
}

// A window descriptor with one example content, as a module would return it.
TElementoModulo* ventanaSuelta(QObject* dueno, const QString& nombre)
{
    auto* descriptor = new TElementoModulo(dueno);
    auto* contenido = new TContenidoEjemplo(nombre);
    contenido->setParent(MainFrm);
    contenido->hide();
    contenido->setObjectName(nombre);
    descriptor->setModuloPrincipal(contenido);
    return descriptor;
}

} // namespace

class TstModulos : public QObject {
    Q_OBJECT
private slots:
    void init() { NegocioPrueba::limpiaSesion(); }

    void listaPaquetes()
    {
        TCarpetaPrograma carpeta;
        const QString plugins = carpeta.archivo(u"Plugins/"_s);
        for (const QString& nombre : {u"b.bpl"_s, u"A.BPL"_s, u"c.txt"_s, u"d.bpl.txt"_s})
            QVERIFY(TCarpetaPrograma::escribe(plugins + nombre, {}));
        QVERIFY(QDir(plugins).mkdir(u"e.bpl"_s));
        QCOMPARE(Utils::getListBpl(plugins), (QStringList{plugins + u"A.BPL"_s, plugins + u"b.bpl"_s}));
        QVERIFY(Utils::getListBpl(carpeta.archivo(u"NoExiste/"_s)).isEmpty());
    }

    void cargaPaquetes_data()
    {
        QTest::addColumn<QStringList>("archivos");
        QTest::addColumn<QStringList>("probados");
        QTest::addColumn<QStringList>("cargados");
        QTest::addColumn<QStringList>("conMenu");
        // Names sort by the file system's order (by name), BridgeTXT.bpl never counts.
        const auto f = [](const char* caso, const char* archivos, const char* probados, const char* cargados,
                          const char* conMenu) {
            const auto lista = [](const char* t) { return QString::fromUtf8(t).split(u',', Qt::SkipEmptyParts); };
            QTest::newRow(caso) << lista(archivos) << lista(probados) << lista(cargados) << lista(conMenu);
        };
        f("reportes y puente", "Reportes.bpl,BridgeTXT.bpl", "Reportes", "Reportes", "Reportes");
        f("todo .bpl se quita", "a.bpl.bpl", "a", "a", "a");
        f("clase con otro nombre", "Ajeno.bpl", "Ajeno", "Ajeno", "");
        f("sin GetMenuItems", "SinMenu.bpl", "SinMenu", "SinMenu", "");
        f("símbolo que falta", "SinSimbolo.bpl", "SinSimbolo", "", "");
        f("no es un paquete", "Roto.bpl", "Roto", "", "");
        f("sin carpeta Plugins", "", "", "", "");
    }
    void cargaPaquetes()
    {
        QFETCH(QStringList, archivos);
        QFETCH(QStringList, probados);
        QFETCH(QStringList, cargados);
        QFETCH(QStringList, conMenu);
        TCarpetaPrograma carpeta;
        const QString plugins = carpeta.archivo(u"Plugins/"_s);
        if (archivos.isEmpty())
            QVERIFY(QDir(plugins).removeRecursively());
        for (const QString& archivo : archivos)
            if (archivo == u"Roto.bpl"_s)
                QVERIFY(TCarpetaPrograma::escribe(plugins + archivo, "esto no es una biblioteca"));
            else
                instalaPaquetes(carpeta, {archivo});

        Modulos::TListaPaquetes lista;
        QStringList menus;
        const auto alMenu = [&menus](const TListaMenuModulo& menu, TPaqueteBean& paquete) {
            QVERIFY(!menu.isEmpty());
            menus << paquete.getNombreBPL();
        };
        Modulos::cargaModulos(lista, carpeta.ruta(), alMenu);
        QCOMPARE(nombres(lista), probados);
        QCOMPARE(menus, conMenu);
        QStringList conHandle;
        const QString lineas = carpeta.log();
        for (const auto& p : lista) {
            if (p->getH())
                conHandle << p->getNombreBPL();
            // Whatever gave no menu says why, in the log too.
            QCOMPARE(p->getError().isEmpty(), conMenu.contains(p->getNombreBPL()));
            QCOMPARE(lineas.contains(p->getBpl()), !conMenu.contains(p->getNombreBPL()));
        }
        QCOMPARE(conHandle, cargados);
        // The text bridge's file is never even loaded.
        QVERIFY(!RegistroClases::busca(u"TMenuBridgeTXTFrm"_s));

        // Once per run: a second pass loads nothing and builds no menu.
        menus.clear();
        Modulos::cargaModulos(lista, carpeta.ruta(), alMenu);
        QCOMPARE(nombres(lista), probados);
        QVERIFY(menus.isEmpty());
    }

    void menuYAlturas()
    {
        TVentanaModulos v({u"Ejemplo.bpl"_s, u"Unico.bpl"_s, u"SinRutina.bpl"_s}, SIN_PRODUCTOS);
        TMainFrm* w = v.ventana.get();
        QWidget* ejemplo = v.grupo(u"Ejemplo"_s);
        QVERIFY(ejemplo);
        // Collapsed: the header's row only. The submenu holds three rows.
        QCOMPARE(ejemplo->height(), 22);
        QCOMPARE(v.menu()->grupo(u"Ejemplo"_s)->getSubMenu()->height(), 66);
        v.menu()->alterna(v.fila(u"Ejemplo"_s));
        QCOMPARE(ejemplo->height(), 88);
        QVERIFY(v.fila(u"Abrir"_s)->isVisible());
        QTest::mouseClick(v.fila(u"Ejemplo"_s), Qt::LeftButton);
        QCOMPARE(ejemplo->height(), 22);
        QVERIFY(!v.fila(u"Abrir"_s)->isVisible());

        // A single entry is a header of its own that opens its window.
        QCOMPARE(v.grupo(u"Unico"_s)->height(), 22);
        QCOMPARE(v.fila(u"Puente TXT"_s)->objectName(), u"GetVentanaBridgeTXTFrm"_s);

        // Products is refused before it opens.
        v.menu()->alterna(v.fila(NOMBRE_PRODUCTOS));
        QCOMPARE(v.respuestas.textos(), QStringList{ERROR_PERMISOS});
        QCOMPARE(v.grupo(u"SinRutina"_s)->height(), 22);

        // Rows whose window cannot be made stay inert; the one that can opens.
        QVERIFY(v.fila(u"Sin rutina"_s)->objectName().isEmpty());
        QVERIFY(v.fila(u"Sin clase"_s)->objectName().isEmpty());
        QCOMPARE(v.fila(u"Catálogo"_s)->objectName(), u"GetVentanaProductosFrm"_s);
        QStringList ventanas = w->ventanasModulo().rutinas();
        ventanas.sort();
        QCOMPARE(ventanas, (QStringList{"GetVentanaBridgeTXTFrm", "GetVentanaEjemploFrm", "GetVentanaProductosFrm"}));
        // Three rows of one routine: one window made, hidden.
        int ventanasEjemplo = 0;
        for (QWidget* hijo : w->findChildren<QWidget*>())
            if (QLatin1String(hijo->metaObject()->className()) == u"TEjemploFrm"_s) {
                ++ventanasEjemplo;
                QVERIFY(!hijo->isVisible());
            }
        QCOMPARE(ventanasEjemplo, 1);

        // Showing the window again (a business switch) builds no menu twice.
        const QRegularExpression nombreGrupo(u"^Menu"_s);
        const int grupos = v.menu()->widget()->findChildren<QWidget*>(nombreGrupo).size();
        w->cargaModulos();
        QCOMPARE(v.menu()->widget()->findChildren<QWidget*>(nombreGrupo).size(), grupos);
    }

    void despacho_data()
    {
        QTest::addColumn<QString>("componente");
        QTest::addColumn<QString>("contenido");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("emisor");
        QTest::addColumn<QString>("lateral");
        const auto f = [](const char* caso, const QString& componente, const QString& contenido, const QString& texto,
                          const QString& emisor, const QString& lateral) {
            QTest::newRow(caso) << componente << contenido << texto << emisor << lateral;
        };
        f("abrir", "GetVentanaClientesFrm", "EjemploPrincipal", "", "MainFrm", "EjemploSubMenu");
        f("acción", "GetVentanaClientesFrm_3", "EjemploPrincipal", "3", "MainFrm", "EjemploSubMenu");
        f("configuración", "GetVentanaClientesFrm_Configuracion", "EjemploConfiguracion", "Limpia",
          "EjemploConfiguracion", "");
        f("ventana que nadie dio", "GetVentanaRespaldosFrm", "", "", "", "");
    }
    void despacho()
    {
        QFETCH(QString, componente);
        QFETCH(QString, contenido);
        QFETCH(QString, texto);
        QFETCH(QString, emisor);
        QFETCH(QString, lateral);
        TVentanaModulos v({u"Ejemplo.bpl"_s});
        TMainFrm* w = v.ventana.get();
        // The example module has no right of its own and opens for nobody:
        // its window is lent to a module that has one.
        w->ventanasModulo().registra(u"GetVentanaClientesFrm"_s,
                                     w->ventanasModulo().ventana(u"GetVentanaEjemploFrm"_s));
        // Something else was open: it goes back to its window first.
        w->OnClickVentanaNombre(u"GetVentanaClientesFrm"_s);
        QCOMPARE(w->VentanaActiva.data(), v.contenido(u"EjemploPrincipal"_s));
        // The main area is reset to a white background each time.
        QWidget* fondo = pieza(w, "RcFondoPrincipal");
        fondo->setPalette(QPalette(Qt::red));

        w->OnClickVentanaNombre(componente);
        QVERIFY(v.respuestas.textos().isEmpty());
        QCOMPARE(fondo->palette().color(QPalette::Window), Style::StyleFrm().color(RS_TEXTOBLANCO));
        if (contenido.isEmpty()) {
            // Nothing opens; what was open stays.
            QCOMPARE(w->VentanaActiva.data(), v.contenido(u"EjemploPrincipal"_s));
            return;
        }
        QWidget* abierto = v.contenido(contenido);
        QCOMPARE(w->VentanaActiva.data(), abierto);
        QVERIFY(v.trabajo()->contiene(abierto));
        QVERIFY(abierto->isVisible());
        QCOMPARE(abierto->property("ultimoTexto").toString(), texto);
        QCOMPARE(abierto->property("emisor").toString(), emisor);
        if (texto == ContratoModulos::TEXTO_LIMPIA)
            QCOMPARE(v.trabajo()->height(), VENTANA_CONFIGURACION_HEIGHT);
        QCOMPARE(w->VentanaMenuLateralActiva.data(), lateral.isEmpty() ? nullptr : v.contenido(lateral));
        QCOMPARE(pieza(w, "SBMenuLateral")->isVisible(), !lateral.isEmpty());
        QCOMPARE(pieza(w, "TxMenuLateral")->height() > 0, !lateral.isEmpty());

        // Taken out, a content goes back to the window that made it, hidden.
        w->remueveVentanaActiva();
        QVERIFY(!v.trabajo()->contiene(abierto));
        QCOMPARE(QLatin1String(abierto->parentWidget()->metaObject()->className()), QLatin1String("TEjemploFrm"));
        QVERIFY(!abierto->isVisible());
        QCOMPARE(v.trabajo()->height(), 0);
    }

    // Rights guard the windows; the user's mark tells whether they manage users.
    void permisos_data()
    {
        QTest::addColumn<QString>("permisos");
        QTest::addColumn<QString>("componente");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<bool>("abre");
        QTest::addColumn<QString>("marca");
        const auto f = [](QTestData& fila, const QString& permisos, const char* componente, const QString& codigo,
                          bool abre, const QString& marca = u"Administrador"_s) {
            fila << permisos << QString::fromLatin1(componente) << codigo << abre << marca;
        };
        f(QTest::newRow("con el derecho"), TODOS_LOS_PERMISOS, "GetVentanaBridgeTXTFrm", CODIGO_BRIDGE_TXT, true);
        f(QTest::newRow("sin el derecho"), SIN_BRIDGE, "GetVentanaBridgeTXTFrm", CODIGO_BRIDGE_TXT, false);
        // The action after "_" does not change which right guards the window.
        f(QTest::newRow("sin el derecho, con acción"), SIN_BRIDGE, "GetVentanaBridgeTXTFrm_3", CODIGO_BRIDGE_TXT,
          false);
        // No right can grant it, so it opens for nobody.
        f(QTest::newRow("módulo sin derecho propio"), TODOS_LOS_PERMISOS, "GetVentanaEjemploFrm",
          Despacho::CODIGO_SIN_DERECHO, false);
        f(QTest::newRow("no administra los usuarios"), u"-1|-1|-1|-1|-1|-1|-1|0"_s, "GetVentanaBridgeTXTFrm",
          CODIGO_BRIDGE_TXT, true, u"Usuario"_s);

        // Every module's routine, spelt as a C++ name can spell it, by the
        // position of its right in the permission text; the help hand-over
        // ("99") opens the invoice window.
        const QList<std::tuple<const char*, QString, int>> rutinas = {
            {"GetVentanaBridgeTXTFrm", CODIGO_BRIDGE_TXT, 0},
            {"GetVentanaReportesFrm", CODIGO_REPORTES, 1},
            {"GetVentanaProductosFrm", CODIGO_PRODUCTOS, 2},
            {"GetVentanaNominaFrm", CODIGO_NOMINA, 3},
            {"GetVentanaFacturacionFrm", CODIGO_FACTURACION, 4},
            {"GetVentanaClientesFrm", CODIGO_CLIENTES, 5},
            {"GetVentanaRespaldosFrm", CODIGO_RESPALDOS, 6},
            {"GetVentanaFacturacion40Frm", CODIGO_FACTURACION_40, 4},
            {"GetVentanaNomina40Frm", CODIGO_NOMINA, 3},
            {"GetVentanaBridgeTXT40Frm", CODIGO_BRIDGE_TXT, 0},
            {"GetVentanaComprobanteFiscal_7", CODIGO_FACTURACION, 4},
            {"GetVentanaComprobanteFiscal40", CODIGO_FACTURACION_40, 4},
            {"GetVentanaAyudaBPLFrm", CODIGO_FACTURACION, 4},
        };
        for (const auto& [rutina, codigo, posicion] : rutinas) {
            QStringList sinDerecho = TODOS_LOS_PERMISOS.split(u'|');
            sinDerecho[posicion] = u"0"_s;
            f(QTest::addRow("%s con el derecho", rutina), TODOS_LOS_PERMISOS, rutina, codigo, true);
            f(QTest::addRow("%s sin el derecho", rutina), sinDerecho.join(u'|'), rutina, codigo, false);
        }
    }
    void permisos()
    {
        QFETCH(QString, permisos);
        QFETCH(QString, componente);
        QFETCH(QString, codigo);
        QFETCH(bool, abre);
        QFETCH(QString, marca);
        TVentanaModulos v({u"Ejemplo.bpl"_s, u"Unico.bpl"_s}, permisos);
        const Despacho::TNombreVentana nombre = Despacho::separaNombre(componente);
        QCOMPARE(Despacho::codigoPermiso(nombre.modulo), codigo);
        // The routines no fixture package gives get a window of their own.
        if (!v.ventana->ventanasModulo().ventana(nombre.ventana)) {
            TElementoModulo* suelta = ventanaSuelta(v.ventana.get(), nombre.ventana);
            v.ventana->ventanasModulo().registra(nombre.ventana, suelta);
        }
        v.ventana->OnClickVentanaNombre(componente);
        QCOMPARE(v.respuestas.textos(), abre ? QStringList() : QStringList{ERROR_PERMISOS});
        QCOMPARE(!v.ventana->VentanaActiva.isNull(), abre);
        const auto* marcaUsuario = pieza<QLabel>(v.ventana.get(), "ImgPermisosUsuario");
        QCOMPARE(marcaUsuario->toolTip(), marca);
        QVERIFY(!marcaUsuario->pixmap().isNull());
    }

    void puenteExigeSerie()
    {
        TVentanaModulos v({u"Unico.bpl"_s});
        TMainFrm* w = v.ventana.get();
        TEtiquetaAccion* puente = v.fila(u"Puente TXT"_s);
        QTest::mouseClick(puente, Qt::LeftButton);
        QCOMPARE(v.respuestas.textos(), QStringList{MSG_FALTA_SERIE});
        QVERIFY(w->VentanaActiva.isNull());

        v.series()->addItems({u" "_s, u"FA"_s});
        v.series()->setCurrentIndex(0);
        v.respuestas.limpia();
        QTest::keyClick(puente, Qt::Key_Return);
        QCOMPARE(v.respuestas.textos(), QStringList{MSG_FALTA_SERIE});

        v.series()->setCurrentIndex(1);
        v.respuestas.limpia();
        QTest::mouseClick(puente, Qt::LeftButton);
        QVERIFY(v.respuestas.textos().isEmpty());
        QCOMPARE(w->VentanaActiva.data(), v.contenido(u"GetVentanaBridgeTXTFrmPrincipal"_s));
    }

    // What a module's content throws when it opens is the module's failure,
    // told naming the module; the content does not stay half open.
    void contenidoQueFalla_data()
    {
        QTest::addColumn<QString>("fila");
        QTest::addColumn<QString>("mensaje");
        const QString inicio = u"El módulo «Contenidos» falló al abrir su ventana"_s;
        QTest::newRow("std::exception") << u"Lanza"_s << inicio + u": el catálogo del módulo no se pudo leer"_s;
        QTest::newRow("otra cosa") << u"Lanza un entero"_s << inicio + u"."_s;
    }
    void contenidoQueFalla()
    {
        QFETCH(QString, fila);
        QFETCH(QString, mensaje);
        TVentanaModulos v({u"Contenidos.bpl"_s});
        v.menu()->alterna(v.fila(u"Contenidos"_s));
        QTest::mouseClick(v.fila(fila), Qt::LeftButton);
        QCOMPARE(v.respuestas.textos(), QStringList{mensaje});
        QVERIFY(v.ventana->VentanaActiva.isNull());
        QVERIFY(!v.trabajo()->contiene(v.contenido(u"GetVentanaProductosFrmPrincipal"_s)));
        QVERIFY(v.carpeta.log().contains(v.carpeta.archivo(u"Plugins/Contenidos.bpl"_s)));

        // The module's other windows still open.
        v.respuestas.limpia();
        QTest::mouseClick(v.fila(u"Otra"_s), Qt::LeftButton);
        QVERIFY2(v.respuestas.textos().isEmpty(), qPrintable(v.respuestas.textos().join(u'|')));
        QCOMPARE(v.ventana->VentanaActiva.data(), v.contenido(u"GetVentanaClientesFrmPrincipal"_s));
    }

    // A content that lets events run while it opens, and the user opening
    // another module's window meanwhile: the later one is the one shown.
    void aperturaAnidada()
    {
        TVentanaModulos v({u"Contenidos.bpl"_s});
        v.menu()->alterna(v.fila(u"Contenidos"_s));
        QMetaObject::invokeMethod(
            v.ventana.get(), [&v] { QTest::mouseClick(v.fila(u"Otra"_s), Qt::LeftButton); }, Qt::QueuedConnection);
        QTest::mouseClick(v.fila(u"Espera"_s), Qt::LeftButton);

        QWidget* otra = v.contenido(u"GetVentanaClientesFrmPrincipal"_s);
        QWidget* espera = v.contenido(u"GetVentanaProductosFrmPrincipal"_s);
        QCOMPARE(otra->property("clics").toInt(), 1);
        QCOMPARE(v.ventana->VentanaActiva.data(), otra);
        QVERIFY(v.trabajo()->contiene(otra));
        QVERIFY(!v.trabajo()->contiene(espera));
        QVERIFY(!espera->isVisible());
        QCOMPARE(v.trabajo()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    }

    void comandoAyuda_data()
    {
        QTest::addColumn<bool>("conParametros");
        QTest::addColumn<bool>("con40");
        QTest::newRow("con parámetros") << true << true;
        QTest::newRow("sin la ventana 4.0") << true << false;
        QTest::newRow("ayuda sin parámetros") << false << true;
    }
    void comandoAyuda()
    {
        QFETCH(bool, conParametros);
        QFETCH(bool, con40);
        TVentanaModulos v(QStringList{});
        TMainFrm* w = v.ventana.get();
        TElementoModulo* ayuda = ventanaSuelta(w, u"Ayuda"_s);
        TElementoModulo* comprobante = ventanaSuelta(w, u"Comprobante"_s);
        TElementoModulo* comprobante40 = ventanaSuelta(w, u"Comprobante40"_s);
        w->ventanasModulo().registra(Despacho::VENTANA_AYUDA, ayuda);
        w->ventanasModulo().registra(Despacho::VENTANA_COMPROBANTE, comprobante);
        if (con40)
            w->ventanasModulo().registra(Despacho::VENTANA_COMPROBANTE_40, comprobante40);
        const auto conceptos = std::make_shared<QStringList>(QStringList{"Renta de local"});
        if (conParametros)
            ayuda->setparametros({{u"Conceptos"_s, conceptos}});
        const auto previos = std::make_shared<QStringList>(QStringList{"previo"});
        comprobante->setparametros({{u"Anterior"_s, previos}});

        // Issued twice: still one set of keys, the help module's own lists.
        for (int vez = 0; vez < 2; ++vez)
            QVERIFY(ContratoModulos::enviaComando(v.trabajo(), ContratoModulos::COMANDO_AYUDA_COMPROBANTE));
        if (conParametros) {
            QCOMPARE(comprobante->getparametros().keys(), QStringList{"Conceptos"});
            QCOMPARE(comprobante->getparametros().value(u"Conceptos"_s).get(), conceptos.get());
            QCOMPARE(comprobante40->getparametros().keys(), con40 ? QStringList{"Conceptos"} : QStringList());
        } else {
            QCOMPARE(comprobante->getparametros().value(u"Anterior"_s).get(), previos.get());
        }
        // The invoice window opens on its action 7, and the work area's text is
        // empty again.
        auto* abierto = qobject_cast<TContenidoEjemplo*>(comprobante->getModuloPrincipal());
        QCOMPARE(w->VentanaActiva.data(), abierto);
        QCOMPARE(abierto->ultimoTexto(), u"7"_s);
        QCOMPARE(abierto->clics(), 2);
        QVERIFY(v.trabajo()->text().isEmpty());
    }

    void comandosDesconocidos_data()
    {
        QTest::addColumn<QString>("comando");
        QTest::newRow("tipo sin letra") << "02 99";
        QTest::newRow("tipo que no es número") << "02 ab";
        QTest::newRow("otro texto") << "hola";
    }
    void comandosDesconocidos()
    {
        QFETCH(QString, comando);
        TVentanaModulos v(QStringList{});
        QComboBox* series = v.series();
        series->addItems({u"FA"_s, u"NC"_s});
        series->setCurrentIndex(1);
        QVERIFY(ContratoModulos::enviaComando(v.trabajo(), comando));
        // Logged and otherwise ignored: the series stay as they were.
        QCOMPARE(series->count(), 2);
        QCOMPARE(series->currentText(), u"NC"_s);
        QVERIFY(v.trabajo()->text().isEmpty());
        QVERIFY(v.respuestas.textos().isEmpty());
        QVERIFY(v.carpeta.log().contains(u"Comando de módulo ignorado"_s));
    }
};

QTEST_MAIN(TstModulos)
#include "tst_modulos.moc"
