// The run-time resource package as the shell sees it: the built package in a
// program folder, no package, a corrupt file, a package without the class and
// one whose class lacks operations (fixture packages built beside this test).

#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Prompter.h"
#include "negocio/TPaquete.h"
#include "negocio/Utils.h"
#include "app/UtilsVentanas.h"

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace Constantes;

namespace {

using Getter = std::function<QString(const QString&)>;

// Each text operation, with what its callers look for in it: the brand's
// name, the marker the recovery mail replaces, the tokens of the letter's
// address.
struct TTexto {
    const char* nombre;
    Getter getter;
    QStringList contiene;
};

const QList<TTexto>& operacionesDeTexto()
{
    static const QString https = u"https://"_s;
    static const QList<TTexto> lista{
        {"getSistema", Utils::getSistema, {NOMBRE_SISTEMA}},
        {"getMarcaMail", Utils::getMarcaMail, {u"@"_s}},
        {"getMailHTML", Utils::getMailHTML, {EMAIL_REPLACE}},
        {"getURLCartaManifiesto",
         Utils::getURLCartaManifiesto,
         {https, SG_HASHTOKEN_RFC, SG_HASHTOKEN_CLIENTE, SG_HASHTOKEN_HASH}},
        {"getTokenCartaManifiesto", Utils::getTokenCartaManifiesto, {SG_HASHTOKEN_RFC, SG_HASHTOKEN_CLIENTE}},
        {"getURLCatalogo", Utils::getURLCatalogo, {https}},
    };
    return lista;
}

// A fixture package built beside this test.
QByteArray paquetePrueba(const QString& nombre)
{
    return TCarpetaPrograma::lee(QStringLiteral(VELKOR_PAQUETES_PRUEBA "/") + nombre + u".bpl"_s);
}

// Whether a library file is mapped into this process right now.
bool cargado(const QString& ruta)
{
    return TCarpetaPrograma::lee(u"/proc/self/maps"_s).contains(QFile::encodeName(ruta));
}

} // namespace

Q_DECLARE_METATYPE(Getter)

class TestRecursos : public QObject {
    Q_OBJECT

private slots:
    void imagenes_data()
    {
        QTest::addColumn<QString>("nombre");
        QTest::addColumn<bool>("existe");
        QVERIFY(!IMAGENES.isEmpty());
        for (const TImagenRecurso& imagen : IMAGENES)
            QTest::newRow(qPrintable(imagen.constante)) << imagen.nombre << true;
        QTest::newRow("vacío") << QString() << false;
        QTest::newRow("no existe") << u"no_existe"_s << false;
        QTest::newRow("con extensión") << IMG_LOGO + u".png"_s << false;
        QTest::newRow("otra mayúscula") << IMG_LOGO.toUpper() << false;
        QTest::newRow("ruta fuera de las imágenes") << u"../velkor-textos/correo.html"_s << false;
    }
    void imagenes()
    {
        QFETCH(QString, nombre);
        QFETCH(bool, existe);
        TCarpetaPrograma carpeta;
        const std::unique_ptr<QBuffer> flujo = Utils::getResource(nombre, carpeta.ruta());
        QCOMPARE(bool(flujo), existe);
        if (!existe)
            return;
        // The bytes outlive the package, which is unloaded at once.
        QVERIFY(!cargado(carpeta.archivo(RS_PATH)));
        const QByteArray dibujada =
            TCarpetaPrograma::lee(QStringLiteral(VELKOR_GENERADOS "/imagenes/") + nombre + u".png"_s);
        QVERIFY(!dibujada.isEmpty());
        QVERIFY(flujo->data() == dibujada);
        QVERIFY(flujo->isReadable() && flujo->pos() == 0);
        QLabel etiqueta;
        Utils::cargaImageRS(nombre, &etiqueta, carpeta.ruta());
        QVERIFY(!etiqueta.pixmap().isNull());
        if (nombre == IMG_SPLASH)
            QCOMPARE(etiqueta.pixmap().size(), QSize(SPLASH_ANCHO, SPLASH_LARGO));
    }

    void textos_data()
    {
        QTest::addColumn<Getter>("getter");
        QTest::addColumn<QStringList>("contiene");
        for (const TTexto& t : operacionesDeTexto())
            QTest::newRow(t.nombre) << t.getter << t.contiene;
    }
    void textos()
    {
        QFETCH(Getter, getter);
        QFETCH(QStringList, contiene);
        TCarpetaPrograma carpeta;
        const QString texto = getter(carpeta.ruta());
        for (const QString& parte : contiene)
            QVERIFY2(texto.contains(parte, Qt::CaseInsensitive), qPrintable(parte));
        // The package stays loaded for the texts: asking again must be stable.
        QCOMPARE(getter(carpeta.ruta()), texto);
    }

    void sinRecurso_data()
    {
        QTest::addColumn<QByteArray>("paquete"); // what the RS_PATH file holds; nothing: no file
        // A package file that is there but gives nothing leaves a line in the
        // program folder's log; no file is no failure.
        QTest::addColumn<QString>("anotado");
        QTest::newRow("sin paquete") << QByteArray() << QString();
        QTest::newRow("archivo corrupto")
            << QByteArray("\177ELF, pero no una biblioteca").repeated(2048) << u"no se pudo cargar"_s;
        QTest::newRow("paquete sin la clase")
            << paquetePrueba(u"RecursosSinClase"_s) << u"no registra la clase "_s + RS_CLASS_NAME;
        QTest::newRow("clase sin getResource") << paquetePrueba(u"RecursosIncompleto"_s) << RS_METHOD_GETRESOURCE;
    }
    void sinRecurso()
    {
        QFETCH(QByteArray, paquete);
        QFETCH(QString, anotado);
        TCarpetaPrograma carpeta(false);
        if (!paquete.isEmpty())
            QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo(RS_PATH), paquete));
        TColaRespuestas respuestas;

        QVERIFY(!Utils::getResource(IMG_SPLASH, carpeta.ruta()));
        const QStringList lineas = carpeta.log().split(u'\n').filter(carpeta.archivo(RS_PATH));
        QCOMPARE(lineas.size(), anotado.isEmpty() ? 0 : 1);
        if (!anotado.isEmpty())
            QVERIFY2(lineas.first().contains(anotado), qPrintable(lineas.first()));

        QPixmap previo(7, 5);
        previo.fill(Qt::red);
        QLabel etiqueta;
        etiqueta.setPixmap(previo);
        Utils::cargaImageRS(IMG_SPLASH, &etiqueta, carpeta.ruta());
        QCOMPARE(etiqueta.pixmap().size(), QSize(7, 5));

        // The class that lacks getResource has its own texts (operacionesFaltantes).
        if (anotado != RS_METHOD_GETRESOURCE)
            for (const TTexto& t : operacionesDeTexto())
                QVERIFY2(t.getter(carpeta.ruta()).isEmpty(), t.nombre);
        QVERIFY(respuestas.textos().isEmpty());
        // Nothing of the package may stay loaded after a failed look-up.
        QVERIFY(!cargado(carpeta.archivo(RS_PATH)));
    }

    void operacionesFaltantes()
    {
        TCarpetaPrograma carpeta(false);
        QVERIFY(TCarpetaPrograma::escribe(carpeta.archivo(RS_PATH), paquetePrueba(u"RecursosIncompleto"_s)));
        const QString ruta = carpeta.ruta();
        TColaRespuestas respuestas;
        // A missing third field is an empty brand value, not a failure.
        QCOMPARE(Utils::getSistema(ruta).split(u'|').value(2, u"falta"_s), QString());
        QVERIFY2(Utils::getMarcaMail(ruta).isEmpty(), "la operación que falla debe dar texto vacío");
        QVERIFY2(Utils::getMailHTML(ruta).isEmpty(), "una operación con argumentos no es la del contrato");
        QVERIFY2(Utils::getURLCatalogo(ruta).isEmpty(), "una función no publicada no es una operación");
        QVERIFY(Utils::getURLCartaManifiesto(ruta).isEmpty());
        QVERIFY(respuestas.textos().isEmpty());
    }

    // The package host on its own: each step that fails says why and leaves
    // one line with the file's path in the program folder's log.
    void pasosDelPaquete()
    {
        TCarpetaPrograma carpeta;
        const QString archivo = carpeta.archivo(RS_PATH);
        TPaquete paquete(archivo, carpeta.ruta());
        QVERIFY(paquete.existe());
        QVERIFY(paquete.carga());
        QVERIFY(paquete.error().isEmpty());

        QVERIFY(!paquete.clase(u"TNoExisteFrm"_s));
        QCOMPARE(paquete.error(), u"no registra la clase TNoExisteFrm"_s);
        const QMetaObject* clase = paquete.clase(RS_CLASS_NAME);
        QVERIFY(clase);
        // Asked without its text argument, getResource is not the contract's.
        const QMetaType bytes = QMetaType::fromType<QByteArray>();
        QVERIFY(!paquete.operacion(*clase, RS_METHOD_GETRESOURCE, bytes, {}).isValid());
        QVERIFY(paquete.error().contains(RS_METHOD_GETRESOURCE));
        QVERIFY(paquete.operacion(*clase, RS_METHOD_GETRESOURCE, bytes, {QMetaType::fromType<QString>()}).isValid());
        QVERIFY(std::unique_ptr<QObject>(paquete.crea(*clase)));
        paquete.descarga();
        QVERIFY(!cargado(archivo));
        QCOMPARE(carpeta.log().split(u'\n').filter(archivo).size(), 2);

        TPaquete ausente(carpeta.archivo(u"NoExiste.bpl"_s), carpeta.ruta());
        QVERIFY(!ausente.existe());
    }

    void metodoPaquete()
    {
        TCarpetaPrograma carpeta;
        const QString paquete = carpeta.archivo(RS_PATH);

        const Utils::TMetodo metodo = Utils::getMetodoPaquete(paquete, RS_CLASS_NAME, RS_METHOD_GETSISTEMA);
        QVERIFY(!metodo.vacio());
        QVERIFY(cargado(paquete));

        // One instance per package and class, however often the texts are read.
        const Utils::TMetodo otro = Utils::getMetodoPaquete(paquete, RS_CLASS_NAME, u"getResource(QString)"_s);
        QVERIFY(!otro.vacio());
        QCOMPARE(otro.instancia.data(), metodo.instancia.data());

        // The cached package is still loaded; a getResource around it must not unload it.
        QVERIFY(Utils::getResource(IMG_LOGO, carpeta.ruta()));
        QVERIFY(cargado(paquete));
        QVERIFY(Utils::getMetodoPaquete(paquete, RS_CLASS_NAME, u"noExiste"_s).vacio());
    }
};

QTEST_MAIN(TestRecursos)
#include "tst_recursos.moc"
