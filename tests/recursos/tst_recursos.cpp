// The run-time resource package as the shell sees it: the built package in a
// program folder, no package, a corrupt file, a package without the class and
// one whose class lacks operations (fixture packages built beside this test).

#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "ImagenesRecursos.h"
#include "Prompter.h"
#include "Utils.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

using Getter = std::function<QString(const QString&)>;

const QList<QPair<const char*, Getter>>& getters()
{
    static const QList<QPair<const char*, Getter>> lista{
        {"getSistema", Utils::getSistema},
        {"getMarcaMail", Utils::getMarcaMail},
        {"getMailHTML", Utils::getMailHTML},
        {"getURLCartaManifiesto", Utils::getURLCartaManifiesto},
        {"getTokenCartaManifiesto", Utils::getTokenCartaManifiesto},
        {"getURLCatalogo", Utils::getURLCatalogo},
    };
    return lista;
}

// How the program folder's RS_PATH file is made for a case.
enum class Paquete { Construido, Ausente, Corrupto, SinClase, Incompleto };

QString paquetePrueba(const char* nombre) { return QStringLiteral(VELKOR_PAQUETES_PRUEBA "/") + QLatin1String(nombre); }

void preparaPaquete(const TCarpetaPrograma& carpeta, Paquete paquete)
{
    const QString destino = carpeta.archivo(Constantes::RS_PATH);
    switch (paquete) {
    case Paquete::Construido:
    case Paquete::Ausente:
        return;
    case Paquete::Corrupto: {
        QFile archivo(destino);
        QVERIFY(archivo.open(QIODevice::WriteOnly));
        QByteArray basura(64 * 1024, Qt::Uninitialized);
        QRandomGenerator generador(20240611);
        for (char& c : basura)
            c = static_cast<char>(generador.bounded(256));
        archivo.write(basura);
        return;
    }
    case Paquete::SinClase:
        QVERIFY(QFile::copy(paquetePrueba("RecursosSinClase.bpl"), destino));
        return;
    case Paquete::Incompleto:
        QVERIFY(QFile::copy(paquetePrueba("RecursosIncompleto.bpl"), destino));
        return;
    }
}

// Whether a library file is mapped into this process right now.
bool cargado(const QString& ruta)
{
    QFile mapas(QStringLiteral("/proc/self/maps"));
    if (!mapas.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    return mapas.readAll().contains(QFile::encodeName(ruta));
}

}  // namespace

Q_DECLARE_METATYPE(Getter)
Q_DECLARE_METATYPE(Paquete)

class TestRecursos : public QObject {
    Q_OBJECT

private slots:
    void imagenes_data();
    void imagenes();
    void cargaImagen();
    void registroVacio();
    void baseNegocioVacia();
    void identidadMarca();
    void textos_data();
    void textos();
    void correoRecuperacion();
    void plantillasCartaManifiesto();
    void sinRecurso_data();
    void sinRecurso();
    void sinTextos_data();
    void sinTextos();
    void operacionesFaltantes();
    void nombresDesconocidos_data();
    void nombresDesconocidos();
    void bytesTrasDescargar();
    void metodoPaquete();
};

void TestRecursos::imagenes_data()
{
    QTest::addColumn<QString>("nombre");
    QVERIFY2(!IMAGENES_RECURSOS.isEmpty(), "no se leyó ninguna constante IMG_");
    for (const auto& [constante, valor] : IMAGENES_RECURSOS)
        QTest::newRow(qPrintable(constante)) << valor;
}

void TestRecursos::imagenes()
{
    QFETCH(QString, nombre);
    TCarpetaPrograma carpeta;
    const std::unique_ptr<QBuffer> flujo = Utils::getResource(nombre, carpeta.ruta());
    QVERIFY2(flujo, qPrintable(nombre));
    QImage imagen;
    QVERIFY(imagen.loadFromData(flujo->data()));
    QVERIFY(imagen.width() >= 32 && imagen.height() >= 32);
    if (nombre == Constantes::IMG_SPLASH)
        QCOMPARE(imagen.size(), QSize(Constantes::SPLASH_ANCHO, Constantes::SPLASH_LARGO));
}

void TestRecursos::cargaImagen()
{
    TCarpetaPrograma carpeta;
    QLabel etiqueta;
    Utils::cargaImageRS(Constantes::IMG_SPLASH, &etiqueta, carpeta.ruta());
    QCOMPARE(etiqueta.pixmap().size(), QSize(Constantes::SPLASH_ANCHO, Constantes::SPLASH_LARGO));
}

void TestRecursos::registroVacio()
{
    if (!VELKOR_CON_PLANTILLAS)
        QSKIP("El paquete se construyó sin las bases de datos vacías (falta el objetivo plantillas)");
    TCarpetaPrograma carpeta;
    const std::unique_ptr<QBuffer> flujo = Utils::getResource(Constantes::RS_USRDB, carpeta.ruta());
    QVERIFY(flujo);
    const QString destino = carpeta.archivo(QStringLiteral("registro.db"));
    QFile archivo(destino);
    QVERIFY(archivo.open(QIODevice::WriteOnly));
    archivo.write(flujo->data());
    archivo.close();
    {
        QSqlDatabase bd = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("registroVacio"));
        bd.setDatabaseName(destino);
        QVERIFY(bd.open());
        const QStringList tablas = bd.tables();
        QVERIFY2(tablas.contains(QStringLiteral("NegocioLoggin")), qPrintable(tablas.join(',')));
        QVERIFY2(tablas.contains(QStringLiteral("Conexion")), qPrintable(tablas.join(',')));
        QSqlQuery filas(QStringLiteral("SELECT COUNT(*) FROM NegocioLoggin"), bd);
        QVERIFY(filas.next());
        QCOMPARE(filas.value(0).toInt(), 0);
        bd.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("registroVacio"));
}

void TestRecursos::baseNegocioVacia()
{
    if (!VELKOR_CON_PLANTILLAS)
        QSKIP("El paquete se construyó sin las bases de datos vacías (falta el objetivo plantillas)");
    TCarpetaPrograma carpeta;
    const std::unique_ptr<QBuffer> flujo = Utils::getResource(Constantes::DB_SISTEMA_NOMBRE_RESOURCE, carpeta.ruta());
    QVERIFY(flujo);
    QFile plantilla(TCarpetaPrograma::plantillaNegocio());
    QVERIFY(plantilla.open(QIODevice::ReadOnly));
    QVERIFY(flujo->data() == plantilla.readAll());
}

void TestRecursos::identidadMarca()
{
    TCarpetaPrograma carpeta;
    const QStringList campos = Utils::getSistema(carpeta.ruta()).split(QLatin1Char('|'));
    QCOMPARE(campos.size(), 3);
    QCOMPARE(campos.at(1), Constantes::NOMBRE_SISTEMA);
    for (const QString& campo : campos)
        QVERIFY(!campo.trimmed().isEmpty());
}

void TestRecursos::textos_data()
{
    QTest::addColumn<Getter>("getter");
    for (const auto& [nombre, getter] : getters())
        QTest::newRow(nombre) << getter;
}

void TestRecursos::textos()
{
    QFETCH(Getter, getter);
    TCarpetaPrograma carpeta;
    const QString primero = getter(carpeta.ruta());
    QVERIFY(!primero.trimmed().isEmpty());
    // The package stays loaded for the texts: asking again must be stable.
    QCOMPARE(getter(carpeta.ruta()), primero);
}

void TestRecursos::correoRecuperacion()
{
    TCarpetaPrograma carpeta;
    const QString html = Utils::getMailHTML(carpeta.ruta());
    QCOMPARE(html.count(Constantes::EMAIL_REPLACE), 1);
    QVERIFY(html.contains(QStringLiteral("contraseña")));
    QVERIFY(html.contains(Constantes::NOMBRE_SISTEMA));
    QVERIFY(Utils::getMarcaMail(carpeta.ruta()).contains(QLatin1Char('@')));
}

void TestRecursos::plantillasCartaManifiesto()
{
    TCarpetaPrograma carpeta;
    const QString url = Utils::getURLCartaManifiesto(carpeta.ruta());
    QVERIFY(url.startsWith(QStringLiteral("https://")));
    for (const QString& marcador :
         {Constantes::SG_HASHTOKEN_RFC, Constantes::SG_HASHTOKEN_CLIENTE, Constantes::SG_HASHTOKEN_HASH})
        QVERIFY2(url.contains(marcador, Qt::CaseInsensitive), qPrintable(marcador));
    const QString token = Utils::getTokenCartaManifiesto(carpeta.ruta());
    QVERIFY(token.contains(Constantes::SG_HASHTOKEN_RFC, Qt::CaseInsensitive));
    QVERIFY(token.contains(Constantes::SG_HASHTOKEN_CLIENTE, Qt::CaseInsensitive));
    QVERIFY(Utils::getURLCatalogo(carpeta.ruta()).startsWith(QStringLiteral("https://")));
}

void TestRecursos::sinRecurso_data()
{
    QTest::addColumn<Paquete>("paquete");
    QTest::newRow("sin paquete") << Paquete::Ausente;
    QTest::newRow("archivo corrupto") << Paquete::Corrupto;
    QTest::newRow("paquete sin la clase") << Paquete::SinClase;
    QTest::newRow("clase sin getResource") << Paquete::Incompleto;
}

void TestRecursos::sinRecurso()
{
    QFETCH(Paquete, paquete);
    TCarpetaPrograma carpeta(false);
    preparaPaquete(carpeta, paquete);
    TColaRespuestas respuestas;

    QVERIFY(!Utils::getResource(Constantes::IMG_SPLASH, carpeta.ruta()));

    QPixmap previo(7, 5);
    previo.fill(Qt::red);
    QLabel etiqueta;
    etiqueta.setPixmap(previo);
    Utils::cargaImageRS(Constantes::IMG_SPLASH, &etiqueta, carpeta.ruta());
    QCOMPARE(etiqueta.pixmap().size(), QSize(7, 5));
    QCOMPARE(etiqueta.pixmap().toImage().pixelColor(3, 2), QColor(Qt::red));

    QVERIFY(respuestas.textos().isEmpty());
    // Nothing of the package may stay loaded after a failed look-up.
    QVERIFY(!cargado(carpeta.archivo(Constantes::RS_PATH)));
}

void TestRecursos::sinTextos_data()
{
    QTest::addColumn<Paquete>("paquete");
    QTest::addColumn<Getter>("getter");
    const QList<QPair<const char*, Paquete>> casos{
        {"sin paquete", Paquete::Ausente},
        {"archivo corrupto", Paquete::Corrupto},
        {"paquete sin la clase", Paquete::SinClase},
    };
    for (const auto& [caso, paquete] : casos)
        for (const auto& [nombre, getter] : getters())
            QTest::addRow("%s, %s", caso, nombre) << paquete << getter;
}

void TestRecursos::sinTextos()
{
    QFETCH(Paquete, paquete);
    QFETCH(Getter, getter);
    TCarpetaPrograma carpeta(false);
    preparaPaquete(carpeta, paquete);
    TColaRespuestas respuestas;
    QVERIFY(getter(carpeta.ruta()).isEmpty());
    QVERIFY(respuestas.textos().isEmpty());
}

void TestRecursos::operacionesFaltantes()
{
    TCarpetaPrograma carpeta(false);
    preparaPaquete(carpeta, Paquete::Incompleto);
    const QString ruta = carpeta.ruta();
    TColaRespuestas respuestas;

    // An instance was made, so the package goes even though the operation was missing.
    QVERIFY(!Utils::getResource(Constantes::IMG_LOGO, ruta));
    QVERIFY(!cargado(carpeta.archivo(Constantes::RS_PATH)));

    // A missing third field is an empty brand value, not a failure.
    QCOMPARE(Utils::getSistema(ruta).split(QLatin1Char('|')).value(2, QStringLiteral("falta")), QString());
    QVERIFY2(Utils::getMarcaMail(ruta).isEmpty(), "la operación que falla debe dar texto vacío");
    QVERIFY2(Utils::getMailHTML(ruta).isEmpty(), "una operación con argumentos no es la del contrato");
    QVERIFY2(Utils::getURLCatalogo(ruta).isEmpty(), "una función no publicada no es una operación");
    QVERIFY(Utils::getURLCartaManifiesto(ruta).isEmpty());
    QVERIFY(respuestas.textos().isEmpty());
}

void TestRecursos::nombresDesconocidos_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::newRow("vacío") << QString();
    QTest::newRow("no existe") << QStringLiteral("no_existe");
    QTest::newRow("con extensión") << Constantes::IMG_LOGO + QStringLiteral(".png");
    QTest::newRow("otra mayúscula") << Constantes::IMG_LOGO.toUpper();
    QTest::newRow("ruta fuera de las imágenes") << QStringLiteral("../velkor-textos/correo.html");
}

void TestRecursos::nombresDesconocidos()
{
    QFETCH(QString, nombre);
    TCarpetaPrograma carpeta;
    QVERIFY(!Utils::getResource(nombre, carpeta.ruta()));
}

void TestRecursos::bytesTrasDescargar()
{
    TCarpetaPrograma carpeta;
    const QString paquete = carpeta.archivo(Constantes::RS_PATH);
    const std::unique_ptr<QBuffer> flujo = Utils::getResource(Constantes::IMG_SPLASH, carpeta.ruta());
    QVERIFY(flujo);
    QVERIFY2(!cargado(paquete), "el paquete debe descargarse tras getResource");

    QFile dibujada(QStringLiteral(VELKOR_GENERADOS "/imagenes/") + Constantes::IMG_SPLASH + QStringLiteral(".png"));
    QVERIFY(dibujada.open(QIODevice::ReadOnly));
    QVERIFY(flujo->data() == dibujada.readAll());
    QVERIFY(flujo->isReadable());
    QCOMPARE(flujo->pos(), 0);
    QCOMPARE(flujo->readAll().left(8), QByteArray("\x89PNG\r\n\x1a\n"));
}

void TestRecursos::metodoPaquete()
{
    TCarpetaPrograma carpeta;
    const QString paquete = carpeta.archivo(Constantes::RS_PATH);

    const Utils::TMetodo metodo =
        Utils::getMetodoPaquete(paquete, Constantes::RS_CLASS_NAME, Constantes::RS_METHOD_GETSISTEMA);
    QVERIFY(!metodo.vacio());
    QCOMPARE(metodo.metodo.name(), Constantes::RS_METHOD_GETSISTEMA.toLatin1());
    QVERIFY(cargado(paquete));

    // One instance per package and class, however often the texts are read.
    const Utils::TMetodo otro =
        Utils::getMetodoPaquete(paquete, Constantes::RS_CLASS_NAME, QStringLiteral("getResource(QString)"));
    QVERIFY(!otro.vacio());
    QCOMPARE(otro.instancia.data(), metodo.instancia.data());

    // The cached package is still loaded; a getResource around it must not unload it.
    QVERIFY(Utils::getResource(Constantes::IMG_LOGO, carpeta.ruta()));
    QVERIFY(cargado(paquete));
    QVERIFY(Utils::getMetodoPaquete(paquete, Constantes::RS_CLASS_NAME, QStringLiteral("noExiste")).vacio());
    QVERIFY(Utils::getMetodoPaquete(paquete, QStringLiteral("TClaseQueNoExiste"), Constantes::RS_METHOD_GETSISTEMA)
                .vacio());
    QVERIFY(Utils::getMetodoPaquete(carpeta.archivo(QStringLiteral("NoHay.bpl")), Constantes::RS_CLASS_NAME,
                                    Constantes::RS_METHOD_GETSISTEMA)
                .vacio());
}

QTEST_MAIN(TestRecursos)
#include "tst_recursos.moc"
