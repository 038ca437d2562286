#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Errores.h"
#include "Logmanager.h"
#include "RegistroPrueba.h"
#include "Sistema.h"
#include "TamanoLimitado.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TCadenaConexion.h"
#include "negocio/Utils.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString A = u"AAA010101AAA"_s;
const QString B = u"BÑB010101B&1"_s;

QString nombreDe(int indice)
{
    return u"Negocio %1"_s.arg(indice + 1);
}

QString baseDe(const QString& rfc, int indice)
{
    return Sistema::exePath + Constantes::DB_PATH + rfc + u"/%1.fdb"_s.arg(indice + 1);
}

QStringList registroDe(const QString& rfc, int indice)
{
    QStringList r(9);
    r[0] = u"dueno@correo.mx"_s;
    r[1] = nombreDe(indice);
    r[2] = rfc;
    r[3] = Constantes::DB_SQLITE;
    r[7] = baseDe(rfc, indice);
    return r;
}

// The plain connection string of a registration (stored enciphered, never
// twice the same).
QString guardadaDe(const QString& rfc, int indice)
{
    return Utils::generaStrConexion(registroDe(rfc, indice));
}

QString plana(const QString& guardada)
{
    return TCadenaConexion::deGuardada(guardada).plano();
}

// The lines of getEmpresasDetalle with their connection strings deciphered.
QStringList planas(const QStringList& detalle)
{
    QStringList salida;
    for (const QString& linea : detalle)
        salida << linea.section(u'|', 0, 1) + u'|' + plana(linea.section(u'|', 2));
    return salida;
}

QStringList lineasLog()
{
    return QString::fromUtf8(TCarpetaPrograma::lee(Logmanager::archivoLog(Sistema::exePath)))
        .split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TPruebaRegistro : public QObject {
    Q_OBJECT

    std::unique_ptr<TCarpetaPrograma> m_carpeta;
    TBaseDatosLocalFrm m_registro;

private slots:
    void init()
    {
        m_carpeta = std::make_unique<TCarpetaPrograma>(false);
        TBaseDatosLocalFrm::creaTablas(TBaseDatosLocalFrm::archivoRegistro());
    }
    void cleanup() { m_carpeta.reset(); }

    // Registrations are numbered in order; registration i of RFC r is named
    // nombreDe(i) and lies in baseDe(r, i).
    void altasYBajas_data()
    {
        QTest::addColumn<QStringList>("altas");
        QTest::addColumn<QStringList>("bajas");
        QTest::addColumn<QList<int>>("activas");
        QTest::addColumn<QString>("buscado");
        QTest::addColumn<int>("ultimaDelBuscado");

        QTest::newRow("registro vacío") << QStringList{} << QStringList{} << QList<int>{} << A << -1;
        QTest::newRow("una activa") << QStringList{A} << QStringList{} << QList<int>{0} << A << 0;
        QTest::newRow("deshabilitada: ni contada ni listada, pero se encuentra")
            << QStringList{A, B} << QStringList{A} << QList<int>{1} << A << 0;
        QTest::newRow("baja de un RFC desconocido no cambia nada")
            << QStringList{A, B} << QStringList{"ZZZ999999ZZZ"} << QList<int>{0, 1} << B << 1;
        QTest::newRow("RFC registrado dos veces: dos entradas, gana la última")
            << QStringList{A, B, A} << QStringList{} << QList<int>{0, 1, 2} << A << 2;
        QTest::newRow("la baja alcanza a todas las altas del RFC")
            << QStringList{A, B, A} << QStringList{A} << QList<int>{1} << A << 2;
    }
    void altasYBajas()
    {
        QFETCH(QStringList, altas);
        QFETCH(QStringList, bajas);
        QFETCH(QList<int>, activas);
        QFETCH(QString, buscado);
        QFETCH(int, ultimaDelBuscado);

        for (int i = 0; i < altas.size(); ++i)
            m_registro.usuarioLogginInsert(registroDe(altas.at(i), i));
        for (const QString& rfc : bajas)
            QVERIFY(m_registro.deshabilitaEstatusEmpresa(rfc));

        QStringList empresas, detalle;
        for (int i : activas) {
            empresas << altas.at(i) + u'|' + nombreDe(i);
            detalle << altas.at(i) + u'|' + nombreDe(i) + u'|' + guardadaDe(altas.at(i), i);
        }
        QCOMPARE(m_registro.getNumeroEmpresas(), activas.size());
        QCOMPARE(m_registro.getEmpresas(), empresas);
        QCOMPARE(planas(m_registro.getEmpresasDetalle()), detalle);

        QString salida = u"anterior"_s;
        const QString devuelta = m_registro.getStringConexionByRfc(buscado, salida);
        QCOMPARE(devuelta, salida);
        if (ultimaDelBuscado < 0) {
            QVERIFY(m_registro.getEmpresaDetalle(buscado).isEmpty());
            QVERIFY(salida.isEmpty());
        } else {
            const QStringList encontrada = m_registro.getEmpresaDetalle(buscado);
            QCOMPARE(encontrada.mid(0, 2), (QStringList{buscado, nombreDe(ultimaDelBuscado)}));
            QCOMPARE(plana(encontrada.value(2)), guardadaDe(buscado, ultimaDelBuscado));
            QCOMPARE(salida, encontrada.value(2));
            QCOMPARE(Utils::transformaStringConexion(salida).at(4), baseDe(buscado, ultimaDelBuscado));
        }
        QVERIFY(lineasLog().isEmpty());
    }

    void registroIlegible_data()
    {
        QTest::addColumn<bool>("existe");
        QTest::addColumn<QByteArray>("contenido");
        QTest::newRow("bytes basura") << true << QByteArray(4096, '\x5a');
        QTest::newRow("archivo vacío sin tablas") << true << QByteArray();
        QTest::newRow("archivo ausente") << false << QByteArray();
    }
    void registroIlegible()
    {
        QFETCH(bool, existe);
        QFETCH(QByteArray, contenido);
        const QString archivo = TBaseDatosLocalFrm::archivoRegistro();
        QVERIFY(QFile::remove(archivo));
        if (existe)
            QVERIFY(TCarpetaPrograma::escribe(archivo, contenido));

        QCOMPARE(m_registro.getNumeroEmpresas(), 0);
        const QStringList lineas = lineasLog();
        QCOMPARE(lineas.size(), 1);
        QVERIFY2(lineas.first().contains(u"EBaseDatos error raised, with message : "_s), qPrintable(lineas.first()));

        // The others fail quietly.
        QVERIFY(m_registro.getEmpresas().isEmpty());
        QVERIFY(m_registro.getEmpresasDetalle().isEmpty());
        QStringList lista{u"anterior"_s};
        QVERIFY(!m_registro.leeEmpresasDetalle(lista));
        QVERIFY(lista.isEmpty());
        QVERIFY(m_registro.getEmpresaDetalle(A).isEmpty());
        QString salida;
        QVERIFY(m_registro.getStringConexionByRfc(A, salida).isEmpty());
        // The writings say so, and log it: a registration lost unnoticed
        // would make the business vanish from the sign-in.
        QString error;
        QVERIFY(!m_registro.usuarioLogginInsert(registroDe(A, 0), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!m_registro.deshabilitaEstatusEmpresa(A));
        QCOMPARE(lineasLog().size(), 3);
        // A registry is never made up here: the start-up writes the real one.
        QCOMPARE(QFile::exists(archivo), existe);
        if (existe)
            QCOMPARE(TCarpetaPrograma::lee(archivo), contenido);
    }

    // A write the registry refuses is told in plain Spanish; the engine's
    // own words reach the log only.
    void escrituraFallidaDiceSuCausa_data()
    {
        QTest::addColumn<bool>("discoLleno");
        QTest::addColumn<QString>("causa");
        QTest::addColumn<QString>("motor");
        QTest::newRow("otro programa lo ocupa")
            << false
            << u"otro programa está usando el registro de empresas de este equipo; espera a que termine o ciérralo y "
               "vuelve a intentarlo"_s
            << u"database is locked"_s;
        QTest::newRow("el disco no admite más")
            << true << u"el disco no aceptó la escritura; revisa el espacio libre"_s << u"disk I/O error"_s;
    }
    void escrituraFallidaDiceSuCausa()
    {
        QFETCH(bool, discoLleno);
        QFETCH(QString, causa);
        QFETCH(QString, motor);
        std::optional<RegistroPrueba::TBloqueo> bloqueo;
        if (!discoLleno)
            QVERIFY(bloqueo.emplace().activo());
        QString error;
        bool escrito = true;
        {
            // Room for the log's line, not for the first page the registry
            // keeps aside before it writes.
            std::optional<TTamanoLimitado> limite;
            if (discoLleno)
                limite.emplace(4096);
            escrito = m_registro.usuarioLogginInsert(registroDe(A, 0), &error);
        }
        QVERIFY(!escrito);
        QCOMPARE(error, causa);
        const QStringList lineas = lineasLog();
        QCOMPARE(lineas.size(), 1);
        QVERIFY2(lineas.first().contains(causa) && lineas.first().contains(motor), qPrintable(lineas.first()));
    }

    // What the start takes for a damaged registry, to be set aside.
    void legibilidad_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<bool>("legible");
        const QByteArray sano = RegistroPrueba::conFilas(300);
        QTest::newRow("sano") << sano << true;
        for (const auto& [nombre, contenido] : RegistroPrueba::danados(sano))
            QTest::newRow(qPrintable(nombre)) << contenido << false;
    }
    void legibilidad()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(bool, legible);
        const QString archivo = TBaseDatosLocalFrm::archivoRegistro();
        QVERIFY(TCarpetaPrograma::escribe(archivo, contenido));
        QCOMPARE(TBaseDatosLocalFrm::esLegible(archivo), legible);
        // Looking never changes the file.
        QVERIFY(QFile::exists(archivo));
        QCOMPARE(TCarpetaPrograma::lee(archivo), contenido);
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    }

    // Another process working on the registry says nothing of its state.
    void legibleMientrasOtroLoBloquea()
    {
        const RegistroPrueba::TBloqueo bloqueo;
        QVERIFY(bloqueo.activo());
        QVERIFY(TBaseDatosLocalFrm::esLegible(TBaseDatosLocalFrm::archivoRegistro()));
    }

    // The damaged file is kept beside the new one, under a dated name.
    void reemplazo_data()
    {
        QTest::addColumn<bool>("conVacio");
        QTest::newRow("con el registro vacío del paquete") << true;
        QTest::newRow("sin paquete: se crean las tablas") << false;
    }
    void reemplazo()
    {
        QFETCH(bool, conVacio);
        const QString archivo = TBaseDatosLocalFrm::archivoRegistro();
        const QByteArray danado(4096, '\x5a');
        QVERIFY(TCarpetaPrograma::escribe(archivo, danado));
        // A journal left beside it belongs to the old file, not to the new.
        const QByteArray diario(512, '\x11');
        QVERIFY(TCarpetaPrograma::escribe(archivo + u"-journal"_s, diario));
        const QString apartado =
            TBaseDatosLocalFrm::reemplazaRegistro(conVacio ? RegistroPrueba::conFilas(0) : QByteArray());
        QCOMPARE(QFileInfo(apartado).absolutePath(), QFileInfo(archivo).absolutePath());
        QVERIFY2(QFileInfo(apartado).fileName().startsWith(u"Usuarios.danado-"_s), qPrintable(apartado));
        QCOMPARE(TCarpetaPrograma::lee(apartado), danado);
        QCOMPARE(TCarpetaPrograma::lee(apartado + u"-journal"_s), diario);
        QVERIFY(TBaseDatosLocalFrm::esLegible(archivo));
        QVERIFY(!QFile::exists(archivo + u"-journal"_s));
        QCOMPARE(QFileInfo(archivo).permissions() & 0x0077, QFileDevice::Permissions());
        QCOMPARE(m_registro.getNumeroEmpresas(), 0);
        QVERIFY(lineasLog().last().contains(QFileInfo(apartado).fileName()));
    }

    // A second connection string that cannot be stored must not leave a
    // business listed without one.
    void altaSinConexionNoQuedaAMedias()
    {
        QVERIFY(RegistroPrueba::ejecuta(u"DROP TABLE Conexion"_s));
        QVERIFY(!m_registro.usuarioLogginInsert(registroDe(A, 0)));
        QCOMPARE(m_registro.getNumeroEmpresas(), 0);
        QVERIFY(m_registro.getEmpresas().isEmpty());
    }

    // A field the stored string cannot hold reaches the caller, which shows
    // it; nothing is registered, not even the business without its string.
    void altaConSeparadorSeRechaza()
    {
        QStringList registro = registroDe(A, 0);
        registro[5] = u"se|creto"_s;
        QVERIFY_THROWS_EXCEPTION(ECadenaConexion, m_registro.usuarioLogginInsert(registro));
        QCOMPARE(m_registro.getNumeroEmpresas(), 0);
        QVERIFY(m_registro.getEmpresaDetalle(A).isEmpty());
        QVERIFY(lineasLog().isEmpty());
    }

    void hilosConcurrentes()
    {
        constexpr int porHilo = 200;
        std::atomic<bool> fallo{false};
        auto inserta = [&](const QString& prefijo) {
            for (int i = 0; i < porHilo; ++i)
                m_registro.usuarioLogginInsert(registroDe(prefijo + QString::number(i).rightJustified(3, u'0'), i));
        };
        std::unique_ptr<QThread> uno(QThread::create(inserta, u"UNO010101"_s));
        std::unique_ptr<QThread> dos(QThread::create(inserta, u"DOS010101"_s));
        uno->start();
        dos->start();
        int previo = 0, lecturas = 0;
        while (!uno->isFinished() || !dos->isFinished()) {
            const int numero = m_registro.getNumeroEmpresas();
            if (numero < previo || numero > 2 * porHilo)
                fallo = true;
            previo = numero;
            ++lecturas;
        }
        uno->wait();
        dos->wait();
        QVERIFY(!fallo);
        QVERIFY(lecturas > 0);
        QCOMPARE(m_registro.getNumeroEmpresas(), 2 * porHilo);
        QCOMPARE(m_registro.getEmpresasDetalle().size(), 2 * porHilo);
        const QString ultimo = u"DOS010101199"_s;
        const QStringList encontrada = m_registro.getEmpresaDetalle(ultimo);
        QCOMPARE(encontrada.mid(0, 2), (QStringList{ultimo, nombreDe(199)}));
        QCOMPARE(plana(encontrada.value(2)), guardadaDe(ultimo, 199));
        QVERIFY(lineasLog().isEmpty());
        // Every operation removed its connection.
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    }

    // The RFC's last registration takes the new string and name and is the
    // only one left active; an RFC not registered changes nothing.
    void reemplazaConexion_data()
    {
        QTest::addColumn<QStringList>("altas");
        QTest::addColumn<QStringList>("bajas");
        QTest::addColumn<bool>("reemplazada");
        QTest::addColumn<QStringList>("empresas");
        QTest::newRow("una activa") << QStringList{A, B} << QStringList{} << true
                                    << QStringList{A + u"|Nuevo"_s, B + u"|Negocio 2"_s};
        QTest::newRow("dos veces y deshabilitada: queda una, activa")
            << QStringList{A, B, A} << QStringList{A} << true << QStringList{B + u"|Negocio 2"_s, A + u"|Nuevo"_s};
        QTest::newRow("RFC no registrado")
            << QStringList{B} << QStringList{} << false << QStringList{B + u"|Negocio 1"_s};
    }
    void reemplazaConexion()
    {
        QFETCH(QStringList, altas);
        QFETCH(QStringList, bajas);
        QFETCH(bool, reemplazada);
        QFETCH(QStringList, empresas);
        for (int i = 0; i < altas.size(); ++i)
            QVERIFY(m_registro.usuarioLogginInsert(registroDe(altas.at(i), i)));
        for (const QString& rfc : bajas)
            QVERIFY(m_registro.deshabilitaEstatusEmpresa(rfc));
        const TCadenaConexion nueva(Constantes::DB_MySQL, u"u"_s, u"p"_s, u"h"_s, u"velkor_a"_s, u"3306"_s);

        QString error;
        QCOMPARE(m_registro.reemplazaConexion(A, u"Nuevo"_s, nueva, &error), reemplazada);
        QCOMPARE(error.isEmpty(), reemplazada);
        QCOMPARE(m_registro.getEmpresas(), empresas);
        if (reemplazada)
            QCOMPARE(plana(m_registro.getEmpresaDetalle(A).value(2)), nueva.plano());
        else
            QVERIFY(m_registro.getEmpresaDetalle(A).isEmpty());
    }

    void creaTablasSinCarpeta()
    {
        const QString sinCarpeta = m_carpeta->archivo(u"no/existe/r.db"_s);
        QVERIFY_THROWS_EXCEPTION(EBaseDatos, TBaseDatosLocalFrm::creaTablas(sinCarpeta));
        QVERIFY(QSqlDatabase::connectionNames().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TPruebaRegistro)
#include "tst_registro.moc"
