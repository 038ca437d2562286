#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Prompter.h"
#include "ServidorPrueba.h"
#include "negocio/TArchivoZip.h"
#include "TBaseDatosCatalogosFrm.h"
#include "shell/TCatalogosHilo.h"
#include "shell/TIdHTTPProgress.h"
#include "negocio/TSenalesTerminacion.h"
#include "shell/TVerificaUpdate.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTcpServer>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

using namespace Constantes;

namespace {

const QString CATALOGO_ZIP_CONSTRUIDO = QStringLiteral(VELKOR_GENERADOS "/CFDCAT.zip");
// A postal code of the built catalogue.
const QString CP = u"06600"_s;

void ajuste(const TCarpetaPrograma& programa, const QString& clave, const QString& valor)
{
    QSettings ini(programa.archivo(ARCHIVO_AJUSTES), QSettings::IniFormat);
    ini.setValue(clave, valor);
}

// The files the test server offers: the built catalogue archive, an archive
// that is no zip at all, and a zip whose catalogue is no database.
struct TServidos {
    QTemporaryDir dir;
    TServidos()
    {
        QFile::copy(CATALOGO_ZIP_CONSTRUIDO, dir.filePath(CATALOGO_ZIP));
        QVERIFY(TCarpetaPrograma::escribe(dir.filePath(u"nozip.zip"_s), QByteArray(50000, 'x')));
        QVERIFY(TCarpetaPrograma::escribe(dir.filePath(u"falso/"_s + CATALOGO_DB_ZIP), "no soy una base de datos"));
        TArchivoZip::comprime(dir.filePath(u"sinbase.zip"_s), dir.filePath(u"falso"_s), QString(), QString(),
                              TArchivoZip::TCifrado::Ninguno);
    }
    QString ruta() const { return dir.path(); }
};

// Those files served over plain HTTP.
struct TServidosHttp : TServidos {
    TServidorPrueba http{u"servidor_http.py"_s, {u"--carpeta"_s, ruta()}};
};

// How the installed catalogue looks before a download.
enum TInstalado { NoHay, ElMismo, Distinto };

// A copy of `origen` as the installed catalogue, a file of its own.
void instala(const QString& origen)
{
    const QString destino = TBaseDatosCatalogosFrm::archivo();
    QVERIFY(QFile::copy(origen, destino));
    QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
}

// A database that is not the downloaded catalogue is a copy of the empty
// business database (the built catalogue is read-only, so no altered copy of
// it can be made): look-ups in it find nothing.
void prepara(const TCarpetaPrograma& programa, TInstalado instalado)
{
    if (instalado == ElMismo)
        programa.instalaCatalogo();
    else if (instalado == Distinto)
        instala(TCarpetaPrograma::plantillaNegocio());
}

struct TCorrida {
    int resultado = -1;
    QString mensaje;
    QList<int> progresos;
};

// Runs a catalogue download to its end, as the wizard does.
TCorrida corre(const QString& direccion, const std::function<void(TCatalogosHilo&, int)>& alProgreso = {})
{
    TCorrida corrida;
    TCatalogosHilo hilo(direccion);
    QObject contexto;
    QObject::connect(&hilo, &TCatalogosHilo::progreso, &contexto, [&](int p) {
        corrida.progresos << p;
        if (alProgreso)
            alProgreso(hilo, p);
    });
    QSignalSpy terminado(&hilo, &TCatalogosHilo::terminado);
    hilo.start();
    if (!terminado.wait(120000))
        return corrida;
    corrida.resultado = terminado.first().at(0).toInt();
    corrida.mensaje = terminado.first().at(1).toString();
    return corrida;
}

QStringList restosDescarga(const TCarpetaPrograma& programa)
{
    return QDir(programa.archivo(UPDATE_PATH)).entryList(QDir::Files);
}

} // namespace

class TstDescargas : public QObject {
    Q_OBJECT
private slots:
    void catalogoSeInstala_data()
    {
        QTest::addColumn<int>("instalado");
        QTest::addColumn<QString>("modo");
        QTest::addColumn<int>("resultado");
        QTest::newRow("primera instalación") << int(NoHay) << "archivo" << int(TCatalogosHilo::Instalado);
        QTest::newRow("catálogo distinto") << int(Distinto) << "archivo" << int(TCatalogosHilo::Instalado);
        QTest::newRow("idéntico") << int(ElMismo) << "archivo" << int(TCatalogosHilo::SinCambios);
        QTest::newRow("sin longitud") << int(Distinto) << "sinlongitud" << int(TCatalogosHilo::Instalado);
        QTest::newRow("lento") << int(NoHay) << "lento" << int(TCatalogosHilo::Instalado);
    }
    void catalogoSeInstala()
    {
        QFETCH(int, instalado);
        QFETCH(QString, modo);
        QFETCH(int, resultado);
        const TCarpetaPrograma programa;
        prepara(programa, TInstalado(instalado));
        // The UI thread reads the old catalogue first: its connection must
        // not keep it reading the old file afterwards.
        QCOMPARE(BaseDatosCatalogosFrm().existeCodigoPostalByCP(CP), instalado == ElMismo);
        const TServidosHttp servidos;
        QVERIFY2(servidos.http.puerto() > 0, qPrintable(servidos.http.error()));

        const TCorrida corrida = corre(servidos.http.url() + u'/' + modo + u'/' + CATALOGO_ZIP);
        QCOMPARE(corrida.resultado, resultado);
        QCOMPARE(corrida.mensaje, CATALOGO_FINALIZADO);
        QVERIFY(BaseDatosCatalogosFrm().existeCodigoPostalByCP(CP));
        // The shared built catalogue behind the link is never written.
        QCOMPARE(QFileInfo(TBaseDatosCatalogosFrm::archivo()).isSymLink(), instalado == ElMismo);
        QCOMPARE(restosDescarga(programa), (QStringList{CATALOGO_DB_ZIP, CATALOGO_ZIP}));
        QCOMPARE(corrida.progresos.first(), 0);
        QCOMPARE(corrida.progresos.last(), 100);
        QVERIFY(std::is_sorted(corrida.progresos.cbegin(), corrida.progresos.cend()));
        // Without a size the bar cannot move until the end; an archive that
        // arrives in pieces well apart moves it between them.
        const auto intermedios =
            std::count_if(corrida.progresos.cbegin(), corrida.progresos.cend(), [](int p) { return p > 0 && p < 100; });
        if (modo == u"sinlongitud"_s)
            QCOMPARE(corrida.progresos, (QList<int>{0, 100}));
        else if (modo == u"lento"_s)
            QVERIFY2(intermedios >= 5, qPrintable(u"%1 valores intermedios"_s.arg(intermedios)));
    }

    // The byte comparison counts only the bytes both files have: a catalogue
    // that only grew must still replace the installed one.
    void catalogoQueCrecio()
    {
        const TCarpetaPrograma programa;
        const QByteArray completo = TCarpetaPrograma::lee(TCarpetaPrograma::catalogoConstruido());
        QVERIFY(!completo.isEmpty());
        QVERIFY(TCarpetaPrograma::escribe(programa.archivo(UPDATE_PATH + CATALOGO_DB_ZIP), completo));
        QVERIFY(TCarpetaPrograma::escribe(TBaseDatosCatalogosFrm::archivo(), completo.left(completo.size() / 2)));
        QString mensaje;
        QCOMPARE(TCatalogosHilo::compararCatalogos(&mensaje), TCatalogosHilo::Instalado);
        QCOMPARE(mensaje, CATALOGO_FINALIZADO);
        QCOMPARE(QFileInfo(TBaseDatosCatalogosFrm::archivo()).size(), completo.size());
        QCOMPARE(TCarpetaPrograma::modo(TBaseDatosCatalogosFrm::archivo()), 0600);
        QCOMPARE(TCatalogosHilo::compararCatalogos(), TCatalogosHilo::SinCambios);
    }

    void fallaSinTocarElInstalado_data()
    {
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<QString>("mensaje");
        // Besides the message: what the log says of why.
        QTest::addColumn<QString>("registro");
        // The server said 200 and closed after half the announced length.
        const qint64 tamano = QFileInfo(CATALOGO_ZIP_CONSTRUIDO).size();
        QTest::newRow("cortado a la mitad")
            << "/corte/CFDCAT.zip"
            << ERR_DESCARGA_CATALOGO + u"La descarga de %1 quedó incompleta: llegaron "_s +
                   QString::number(tamano / 2) + u" de "_s + QString::number(tamano) + u" bytes."_s
            << QString();
        QTest::newRow("no existe") << "/archivo/otro.zip" << ERR_DESCARGA_CATALOGO << QString();
        QTest::newRow("no es zip") << "/archivo/nozip.zip" << ERR_CATALOGO_DANADO << QString();
        QTest::newRow("sin base de datos") << "/archivo/sinbase.zip" << ERR_CATALOGO_DANADO << QString();
        // 100 MiB of zeros in about 100 KiB: refused before it is extracted.
        QTest::newRow("bomba de zip") << "/bomba/CFDCAT.db" << ERR_CATALOGO_DANADO
                                      << u"expandiría CFDCAT.db a 104857600 bytes"_s;
        // Qt refuses to follow these: the user is told why, not a status.
        const QString redirige = ERR_DESCARGA_CATALOGO + u"El servidor de descargas redirigió a una dirección que no "
                                                         "se puede usar."_s;
        QTest::newRow("redirige a un archivo") << "/redirige/archivo" << redirige << QString();
        QTest::newRow("redirige a ftp") << "/redirige/ftp" << redirige << QString();
        QTest::newRow("redirige sin fin") << "/redirige/bucle" << redirige << QString();
        // Nothing listens there: the user is told to check the connection,
        // not shown the address or the network library's English text.
        QTest::newRow("sin conexión") << "sin conexión"
                                      << ERR_DESCARGA_CATALOGO + u"No se pudo conectar con el servidor de descargas. "
                                                                 "Revisa tu conexión a Internet."_s
                                      << QString();
    }
    void fallaSinTocarElInstalado()
    {
        QFETCH(QString, ruta);
        QFETCH(QString, mensaje);
        QFETCH(QString, registro);
        const TCarpetaPrograma programa;
        instala(TCarpetaPrograma::catalogoConstruido());
        const QByteArray antes = TCarpetaPrograma::lee(TBaseDatosCatalogosFrm::archivo());
        QVERIFY(!antes.isEmpty());
        const TServidosHttp servidos;
        QVERIFY2(servidos.http.puerto() > 0, qPrintable(servidos.http.error()));

        // A port just closed is one nothing listens on.
        QString sinServidor;
        if (ruta == u"sin conexión"_s) {
            QTcpServer cerrado;
            QVERIFY(cerrado.listen(QHostAddress::LocalHost));
            sinServidor = u"http://127.0.0.1:%1/CFDCAT.zip"_s.arg(cerrado.serverPort());
        }
        const QString direccion = sinServidor.isEmpty() ? servidos.http.url() + ruta : sinServidor;
        const TCorrida corrida = corre(direccion);
        QCOMPARE(corrida.resultado, int(TCatalogosHilo::Fallido));
        if (mensaje.contains(u"%1"_s))
            mensaje = mensaje.arg(direccion);
        QVERIFY2(corrida.mensaje.startsWith(mensaje), qPrintable(corrida.mensaje));
        QVERIFY2(programa.log().contains(registro), qPrintable(programa.log()));
        QVERIFY(TCarpetaPrograma::lee(TBaseDatosCatalogosFrm::archivo()) == antes);
        QVERIFY(restosDescarga(programa).isEmpty());
        QVERIFY(BaseDatosCatalogosFrm().existeCodigoPostalByCP(u"44100"_s));
    }

    void cancelacion()
    {
        const TCarpetaPrograma programa;
        programa.instalaCatalogo();
        const TServidosHttp servidos;
        QVERIFY2(servidos.http.puerto() > 0, qPrintable(servidos.http.error()));
        const TCorrida corrida =
            corre(servidos.http.url() + u"/lento/"_s + CATALOGO_ZIP, [](TCatalogosHilo& hilo, int p) {
                if (p > 0)
                    hilo.cancela();
            });
        QCOMPARE(corrida.resultado, int(TCatalogosHilo::Cancelado));
        QCOMPARE(corrida.mensaje, CATALOGO_CANCELADO);
        QVERIFY(corrida.progresos.last() < 100);
        QVERIFY(QFileInfo(TBaseDatosCatalogosFrm::archivo()).isSymLink());
        QVERIFY(restosDescarga(programa).isEmpty());
    }

    void https_data()
    {
        QTest::addColumn<bool>("confiable");
        QTest::addColumn<QString>("ruta");
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("autoridad del negocio")
            << true << "/archivo/CFDCAT.zip" << int(TCatalogosHilo::Instalado) << CATALOGO_FINALIZADO;
        QTest::newRow("certificado desconocido")
            << false << "/archivo/CFDCAT.zip" << int(TCatalogosHilo::Fallido)
            << ERR_DESCARGA_CATALOGO +
                   u"No se pudo confirmar el certificado del servidor de descargas: no lo firma una autoridad "
                   "de confianza o no es el de su dirección."_s;
        QTest::newRow("redirige a http")
            << true << "/redirige/http" << int(TCatalogosHilo::Fallido)
            << ERR_DESCARGA_CATALOGO + u"El servidor de descargas redirigió a una dirección que no se puede usar."_s;
    }
    void https()
    {
        QFETCH(bool, confiable);
        QFETCH(QString, ruta);
        QFETCH(int, resultado);
        QFETCH(QString, mensaje);
        const TCarpetaPrograma programa;
        const TServidos servidos;
        const TCertificadoPrueba certificado(servidos.ruta());
        QVERIFY(certificado.valido());
        if (confiable)
            ajuste(programa, u"Red/certificadosCA"_s, certificado.certificado);
        const TServidorPrueba https(u"servidor_http.py"_s, {u"--carpeta"_s, servidos.ruta(), u"--certificado"_s,
                                                            certificado.certificado, u"--llave"_s, certificado.llave});
        QVERIFY2(https.puerto() > 0, qPrintable(https.error()));
        const TCorrida corrida = corre(https.url(true) + ruta);
        QCOMPARE(corrida.resultado, resultado);
        QVERIFY2(corrida.mensaje.startsWith(mensaje), qPrintable(corrida.mensaje));
        QCOMPARE(QFileInfo::exists(TBaseDatosCatalogosFrm::archivo()), resultado == TCatalogosHilo::Instalado);
    }

    void esperaDeLectura()
    {
        const TCarpetaPrograma programa;
        const TServidosHttp servidos;
        QVERIFY2(servidos.http.puerto() > 0, qPrintable(servidos.http.error()));
        TIdHTTPProgress cliente;
        cliente.setReadTimeout(500);
        QVERIFY_THROWS_EXCEPTION(EDescarga, cliente.DownloadFile(servidos.http.url() + u"/pausa/"_s + CATALOGO_ZIP,
                                                                 programa.archivo(u"Update/x.zip"_s)));
        QVERIFY(cliente.getProgress() < 100);
        // A destination that is a folder is refused in Spanish.
        const QString carpeta = programa.archivo(u"Update/carpeta.zip"_s);
        QVERIFY(QDir().mkpath(carpeta));
        try {
            cliente.DownloadFile(servidos.http.url() + u"/archivo/"_s + CATALOGO_ZIP, carpeta);
            QFAIL("no se lanzó");
        } catch (const EDescarga& e) {
            QCOMPARE(e.mensaje(), u"No se pudo escribir %1: Es una carpeta"_s.arg(carpeta));
        }
    }

    void direccionDelCatalogo()
    {
        const TCarpetaPrograma programa;
        QCOMPARE(TCatalogosHilo::direccionCatalogo(), u"https://descargas.velkor.mx/catalogos/CFDCAT.zip"_s);
        ajuste(programa, u"Red/catalogo"_s, u"https://negocio.mx/cat/CFDCAT.zip"_s);
        QCOMPARE(TCatalogosHilo::direccionCatalogo(), u"https://negocio.mx/cat/CFDCAT.zip"_s);
    }

    void confirmacion()
    {
        const TCarpetaPrograma programa;
        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(TPrompter::CANCELAR);
        QCOMPARE(TCatalogosHilo::crea(), nullptr);
        QCOMPARE(respuestas.textos(), (QStringList{CONFIRMA_ACTUALIZA_CATALOGOS}));
        respuestas.agregaRespuesta(TPrompter::OK);
        std::unique_ptr<TCatalogosHilo> hilo(TCatalogosHilo::crea());
        QVERIFY(hilo);
        QVERIFY(!hilo->isRunning());
    }

    void ultimaVersion_data()
    {
        QTest::addColumn<QByteArray>("lista");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("notas");
        QTest::newRow("versión y nota") << QByteArray(
                                               "Velkor 1.0.0.2\n- Primera\nVelkor 1.0.0.3\n- Corrige el catálogo\n")
                                        << "1.0.0.3" << QStringList{"- Corrige el catálogo"};
        QTest::newRow("fin de línea de Windows") << QByteArray("Velkor 1.0.0.3\r\n\r\n") << "1.0.0.3" << QStringList{};
        QTest::newRow("sin espacio") << QByteArray("2.0.0.0") << "2.0.0.0" << QStringList{};
        QTest::newRow("sólo notas") << QByteArray("- una\n- otra\n") << QString() << QStringList{};
        QTest::newRow("vacía") << QByteArray() << QString() << QStringList{};
    }
    void ultimaVersion()
    {
        QFETCH(QByteArray, lista);
        QFETCH(QString, version);
        QFETCH(QStringList, notas);
        QStringList leidas;
        QCOMPARE(TVerificaUpdate::ultimaVersion(lista, &leidas), version);
        QCOMPARE(leidas, notas);
    }

    void verificaUpdate_data()
    {
        QTest::addColumn<QByteArray>("lista");
        QTest::addColumn<QString>("modo");
        QTest::addColumn<int>("estado");
        // Besides the outcome: what the log says of why.
        QTest::addColumn<QString>("registro");
        const QByteArray actual = TVerificaUpdate::getVersionSistema().toUtf8();
        QTest::newRow("al día") << QByteArray("Velkor 0.0.0.1\nVelkor " + actual + "\n- nota\n") << "archivo"
                                << int(TVerificaUpdate::AlDia) << QString();
        QTest::newRow("publicada otra") << QByteArray("Velkor 9.9.9.9\n") << "archivo"
                                        << int(TVerificaUpdate::Disponible) << QString();
        QTest::newRow("sin versión") << QByteArray("- nada\n") << "archivo" << int(TVerificaUpdate::SinDatos)
                                     << QString();
        QTest::newRow("no se descarga") << QByteArray() << "archivo" << int(TVerificaUpdate::SinDatos) << QString();
        // A page that never ends (a proxy, a captive portal) stands for a
        // list, announced by its length or not: refused at the limit, not
        // read whole into memory.
        const QByteArray enorme = QByteArray("Velkor 9.9.9.9\n").repeated(TIdHTTPProgress::MAXIMO_EN_MEMORIA / 15 + 1);
        const QString excedido = u"El servidor de descargas envió más de 1024 KB; no es el archivo que se esperaba."_s;
        QTest::newRow("demasiado grande") << enorme << "archivo" << int(TVerificaUpdate::SinDatos) << excedido;
        QTest::newRow("demasiado grande sin longitud")
            << enorme << "sinlongitud" << int(TVerificaUpdate::SinDatos) << excedido;
    }
    void verificaUpdate()
    {
        QFETCH(QByteArray, lista);
        QFETCH(QString, modo);
        QFETCH(int, estado);
        QFETCH(QString, registro);
        const TCarpetaPrograma programa;
        QTemporaryDir servidos;
        if (!lista.isEmpty())
            QVERIFY(TCarpetaPrograma::escribe(servidos.filePath(u"versiones.txt"_s), lista));
        const TServidorPrueba http(u"servidor_http.py"_s, {u"--carpeta"_s, servidos.path()});
        QVERIFY2(http.puerto() > 0, qPrintable(http.error()));
        ajuste(programa, u"Red/actualizaciones"_s, http.url() + u'/' + modo + u"/versiones.txt"_s);
        TVerificaUpdate hilo;
        QSignalSpy terminado(&hilo, &TVerificaUpdate::terminado);
        hilo.start();
        QVERIFY(terminado.wait(60000));
        QCOMPARE(terminado.first().at(0).toInt(), estado);
        QVERIFY(programa.log().contains(registro));
    }

    // A server that sends a byte a second never lets the read time-out
    // fire: closing the window cancels the check (its destruction), and
    // without a window the deadline ends it.
    void verificacionLenta()
    {
        const TCarpetaPrograma programa;
        QTemporaryDir servidos;
        QVERIFY(TCarpetaPrograma::escribe(servidos.filePath(u"versiones.txt"_s), "Velkor 9.9.9.9\n- nota\n"));
        const TServidorPrueba http(u"servidor_http.py"_s, {u"--carpeta"_s, servidos.path()});
        QVERIFY2(http.puerto() > 0, qPrintable(http.error()));
        const QString direccion = http.url() + u"/goteo/versiones.txt"_s;
        ajuste(programa, u"Red/actualizaciones"_s, direccion);
        auto hilo = std::make_unique<TVerificaUpdate>();
        QSignalSpy terminado(hilo.get(), &TVerificaUpdate::terminado);
        hilo->start();
        hilo.reset();
        QCOMPARE(terminado.size(), 1);
        QCOMPARE(terminado.first().at(0).toInt(), int(TVerificaUpdate::Cancelado));

        TIdHTTPProgress cliente;
        cliente.setPlazo(1500);
        try {
            cliente.Get(direccion);
            QFAIL("no se lanzó");
        } catch (const EDescarga& e) {
            QCOMPARE(e.mensaje(), u"La descarga no terminó en 1.5 segundos. Revisa tu conexión a Internet."_s);
        }
    }

    void direccionDeVersiones()
    {
        const TCarpetaPrograma programa;
        QCOMPARE(TVerificaUpdate::direccionVersiones(), QString());
        QDir().mkpath(programa.archivo(u"Lib"_s));
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/") + UPD_PATH, programa.archivo(UPD_PATH)));
        QCOMPARE(TVerificaUpdate::direccionVersiones(), u"https://descargas.velkor.mx/actualizaciones/versiones.txt"_s);
        ajuste(programa, u"Red/actualizaciones"_s, u"https://negocio.mx/v.txt"_s);
        QCOMPARE(TVerificaUpdate::direccionVersiones(), u"https://negocio.mx/v.txt"_s);
    }

    void iniciaActualizador_data()
    {
        QTest::addColumn<bool>("existe");
        QTest::addColumn<int>("respuesta");
        QTest::addColumn<bool>("iniciado");
        QTest::newRow("acepta") << true << int(TPrompter::OK) << true;
        QTest::newRow("cancela") << true << int(TPrompter::CANCELAR) << false;
        QTest::newRow("no está") << false << int(TPrompter::OK) << false;
    }
    void iniciaActualizador()
    {
        QFETCH(bool, existe);
        QFETCH(int, respuesta);
        QFETCH(bool, iniciado);
        const TCarpetaPrograma programa;
        // A stand-in updater that records it ran and its blocked signals: cp
        // started through env (a shell would reset the signal mask and hide
        // what the program handed down) copies its own status into a folder.
        const QString carpetaMarca = programa.archivo(u"iniciado"_s);
        QDir().mkpath(carpetaMarca);
        const QString marca = carpetaMarca + u"/status"_s;
        if (existe) {
            QVERIFY(TCarpetaPrograma::escribe(
                programa.archivo(ACTUALIZADOR),
                u"#!/usr/bin/env -S cp -t %1 /proc/self/status\n"_s.arg(carpetaMarca).toUtf8()));
            QFile::setPermissions(programa.archivo(ACTUALIZADOR),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        TColaRespuestas respuestas;
        respuestas.agregaRespuesta(respuesta);
        // As in the program: the termination signals are blocked in it.
        TSenalesTerminacion::bloquea();
        const bool resultado = TVerificaUpdate::iniciaActualizador();
        TSenalesTerminacion::desbloquea();
        QCOMPARE(resultado, iniciado);
        QCOMPARE(respuestas.textos().first(), CONFIRMA_ACTUALIZACION);
        if (!existe)
            QCOMPARE(respuestas.textos().last(), ERR_ACTUALIZADOR);
        if (!iniciado) {
            QVERIFY(!QFileInfo::exists(marca));
            return;
        }
        QByteArray estado;
        QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                     estado = TCarpetaPrograma::lee(marca);
                                     return estado.contains("SigCgt");
                                 }()),
                                 20000);
        const int inicio = estado.indexOf("SigBlk:");
        const QByteArray linea = estado.mid(inicio, estado.indexOf('\n', inicio) - inicio);
        const qulonglong bloqueadas = linea.mid(linea.indexOf(':') + 1).trimmed().toULongLong(nullptr, 16);
        const qulonglong terminacion = (1ULL << (SIGTERM - 1)) | (1ULL << (SIGINT - 1)) | (1ULL << (SIGHUP - 1));
        QCOMPARE(bloqueadas & terminacion, 0ULL);
    }
};

QTEST_GUILESS_MAIN(TstDescargas)
#include "tst_descargas.moc"
