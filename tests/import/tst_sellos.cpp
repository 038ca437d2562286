#include "CertificadoAjeno.h"
#include "EstadoImportacion.h"
#include "ProgramaConsola.h"
#include "import/TReporteImportacion.h"
#include "negocio/RevisionSellos.h"
#include "negocio/TArchivoZip.h"

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;

namespace {

const QString UUID_ALTERADO = u"C2832672-DA6D-11EF-A83D-00155D012007"_s;
const QString AUTENTICO = VerificacionSello::texto(VerificacionSello::TEstado::Autentico);
const QString ALTERADO = VerificacionSello::texto(VerificacionSello::TEstado::Alterado);
const QString UUID_AJENO = u"C2832673-DA6D-11EF-A83D-00155D012007"_s;
const QString NO_CORRESPONDE = VerificacionSello::texto(VerificacionSello::TEstado::CertificadoNoCorresponde);

struct TEsperado {
    QString archivo;
    QString rfc;
    QString uuid;
    QString estado;
};

// Three real vouchers and one of them with its total edited by hand (under
// another UUID, so it is stored beside the real one).
QList<TEsperado> preparaCarpeta(const TEntornoImportacion& entorno)
{
    for (const QString& archivo : {u"cfdi32-real.xml"_s, u"cfdi33-real.xml"_s, u"cfdi40-real.xml"_s})
        entorno.agrega(archivo);
    entorno.escribe(u"editado/cfdi40-real.xml"_s,
                    E::variante(u"cfdi40-real.xml"_s, {{"Total=\"1000.00\"", "Total=\"1900.00\""},
                                                       {"C2832671-DA6D", UUID_ALTERADO.left(13).toLatin1()}}));
    return {{u"cfdi32-real.xml"_s, u"CTO021007DZ8"_s, u"80824F3B-323E-407B-8F8E-40D83FE2E69F"_s, AUTENTICO},
            {u"cfdi33-real.xml"_s, u"POT9207213D6"_s, u"CEE4BE01-ADFA-4DEB-8421-ADD60F0BEDAC"_s, AUTENTICO},
            {u"cfdi40-real.xml"_s, u"ISD950921HE5"_s, u"C2832671-DA6D-11EF-A83D-00155D012007"_s, AUTENTICO},
            {u"editado/cfdi40-real.xml"_s, u"ISD950921HE5"_s, UUID_ALTERADO, ALTERADO}};
}

// Runs `programa` with `entrada` on its standard input: its exit status and
// all it wrote.
std::pair<int, QString> corre(const QString& programa, const QStringList& argumentos, const QByteArray& entrada = {})
{
    QProcess p;
    p.start(programa, argumentos);
    p.write(entrada);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return {-1, u"No terminó en dos minutos."_s};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

} // namespace

// The seal check as a user meets it: a folder where one voucher was edited
// by hand is imported, and the end message, the report and the stored
// vouchers flag that one alone; the command line says the same of each file.
// Vouchers stored before the check are checked afterwards, batch by batch.
class TstSellos : public QObject {
    Q_OBJECT

private slots:
    void unoEditadoAMano()
    {
        TProgramaConsola programa;
        const TEntornoImportacion& entorno = programa.entorno;
        const QList<TEsperado> esperados = preparaCarpeta(entorno);
        const TProgramaConsola::TCorrida corrida = programa.importa();
        QVERIFY2(corrida.salida == 0, qPrintable(corrida.salidaEstandar + corrida.errores));
        for (const QString& dicho : {u"Importados: 4"_s, u"\nAlterados: 1 (no corresponden"_s})
            QVERIFY2(corrida.salidaEstandar.contains(dicho), qPrintable(corrida.salidaEstandar));

        const QStringList reporte = lineasReporte(entorno.carpeta.ruta());
        QCOMPARE(reporte.size(), 5);
        QVERIFY(reporte.first().endsWith(u"UUID,Sello,Motivo,Entrada del paquete"_s));

        const QString comprobante = entorno.carpeta.archivo(u"velkor-comprobante"_s);
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/velkor-comprobante"), comprobante));
        QFile::setPermissions(comprobante, QFile::ReadOwner | QFile::ExeOwner);
        const auto [salidaArchivos, lineas] = corre(comprobante, {u"verifica"_s, entorno.entrada()});
        QCOMPARE(salidaArchivos, 1);

        for (const TEsperado& e : esperados) {
            const std::unique_ptr<TComprobante> guardado = E::comprobante(e.rfc, e.uuid);
            QVERIFY2(guardado, qPrintable(e.archivo));
            QCOMPARE(guardado->getVerificacionsello(), e.estado);
            QVERIFY(!guardado->getMotivoverificacion().isEmpty());
            const QString ruta = entorno.entrada() + e.archivo;
            const auto fila = std::find_if(reporte.cbegin(), reporte.cend(),
                                           [&](const QString& l) { return l.startsWith(ruta + u','); });
            QVERIFY2(fila != reporte.cend(), qPrintable(ruta));
            QVERIFY2(fila->contains(u",%1,%2,"_s.arg(e.uuid, e.estado)), qPrintable(*fila));
            // The command line agrees with the import, file by file.
            QVERIFY2(lineas.contains(u"%1: %2. "_s.arg(ruta, e.estado)), qPrintable(lineas));
        }

        // The stored vouchers, by their business and a user of it: checked
        // again from their stored XML, and printed with the check stored.
        const QStringList delNegocio = {u"--rfc"_s, u"ISD950921HE5"_s, u"--correo"_s, QString::fromUtf8(E::EMAIL)};
        const QByteArray password = TProgramaConsola::clave();
        const auto [salidaGuardados, textoGuardados] =
            corre(comprobante, QStringList{u"verifica"_s} + delNegocio, password);
        QCOMPARE(salidaGuardados, 1);
        QVERIFY2(textoGuardados.contains(UUID_ALTERADO + u": Alterado."_s), qPrintable(textoGuardados));
        QVERIFY2(textoGuardados.contains(esperados.at(2).uuid + u": Auténtico."_s), qPrintable(textoGuardados));
        QCOMPARE(corre(comprobante, QStringList{u"verifica"_s} + delNegocio, "otra\n").first, 4);
        const QString pdf = entorno.carpeta.archivo(u"alterado.pdf"_s);
        const auto [salidaPdf, textoPdf] = corre(
            comprobante, QStringList{u"pdf"_s, u"--uuid"_s, UUID_ALTERADO.toLower(), u"--salida"_s, pdf} + delNegocio,
            password);
        QVERIFY2(salidaPdf == 0, qPrintable(textoPdf));
        const QString leido = corre(u"pdftotext"_s, {pdf, u"-"_s}).second;
        QVERIFY2(leido.contains(UUID_ALTERADO) && leido.contains(u"Alterado"_s), qPrintable(leido));
    }

    void ordenes_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("salida");
        QTest::addColumn<QString>("dice");
        QTest::addColumn<bool>("anterior"); // in the program folder of an earlier version
        const auto fila = [](const char* nombre, const QStringList& argumentos, int salida, const QString& dice,
                             bool anterior = false) {
            QTest::newRow(nombre) << argumentos << salida << dice << anterior;
        };
        const QString real = E::dato(u"cfdi40-real.xml"_s);
        fila("sin orden", {}, 2, u"Falta la orden"_s);
        fila("orden desconocida", {u"firma"_s}, 2, u"Orden desconocida: firma"_s);
        fila("ayuda", {u"--help"_s}, 0, u"Uso: velkor-comprobante verifica"_s);
        fila("opción desconocida con su valor", {u"verifica"_s, u"--contrasena=Clave.1"_s}, 2,
             u"Opción desconocida: --contrasena\n"_s);
        fila("verifica sin archivos", {u"verifica"_s}, 2, u"Falta el archivo o la carpeta"_s);
        fila("auténtico", {u"verifica"_s, real}, 0, u"cfdi40-real.xml: Auténtico."_s);
        fila("versión que no se verifica", {u"verifica"_s, E::dato(u"cfdv2.xml"_s)}, 3,
             u"cfdv2.xml: No verificable."_s);
        fila("archivo que no existe", {u"verifica"_s, real, u"/no/existe.xml"_s}, 3, u"\"/no/existe.xml\" no existe"_s);
        fila("pdf sin salida", {u"pdf"_s, real}, 2, u"Falta el archivo PDF"_s);
        fila("pdf", {u"pdf"_s, real, u"--salida"_s, u"SALIDA"_s}, 0, u"Se escribió"_s);
        // Before the check, what that version left open is closed and its
        // connection strings enciphered under this installation's key.
        fila("carpeta de una versión anterior", {u"verifica"_s, real}, 0, u"cfdi40-real.xml: Auténtico."_s, true);
        // CARPETA: an authentic voucher, a package of another in paquetes/,
        // a read-only folder with a third, and a ".zip" that is no package.
        fila("paquete en una carpeta", {u"verifica"_s, u"CARPETA/paquetes"_s}, 0,
             u"sat.zip › descarga/cfdi33-real.xml: Auténtico."_s);
        fila("paquete por su nombre", {u"verifica"_s, u"CARPETA/paquetes/sat.zip"_s}, 0,
             u"sat.zip › descarga/cfdi33-real.xml: Auténtico."_s);
        fila("zip que no es un paquete", {u"verifica"_s, u"CARPETA/roto.zip"_s}, 3,
             u"roto.zip: No verificable. No es un archivo ZIP"_s);
        fila("carpeta de solo lectura dentro", {u"verifica"_s, u"CARPETA"_s}, 3,
             u"protegida: No verificable. Es una carpeta de solo lectura"_s);
        fila("carpeta de solo lectura por sí sola", {u"verifica"_s, u"CARPETA/protegida"_s}, 0,
             u"cfdi32-real.xml: Auténtico."_s);
        fila("pdf de un archivo que no existe", {u"pdf"_s, u"/no/existe.xml"_s, u"--salida"_s, u"/no/salida.pdf"_s}, 3,
             u"No se pudo leer \"/no/existe.xml\": No existe."_s);
        // A slip of the keyboard never replaces a voucher with its PDF.
        fila("pdf sobre su propio comprobante",
             {u"pdf"_s, u"CARPETA/cfdi40-real.xml"_s, u"--salida"_s, u"CARPETA/cfdi40-real.xml"_s}, 2,
             u"cfdi40-real.xml\" es el mismo archivo que el comprobante"_s);
        fila("pdf sobre otro comprobante", {u"pdf"_s, real, u"-o"_s, u"CARPETA/cfdi40-real.xml"_s}, 2,
             u"cfdi40-real.xml\" ya existe y no es un PDF; no se reemplaza."_s);
        fila("pdf en una carpeta", {u"pdf"_s, real, u"--salida"_s, u"CARPETA/"_s}, 2,
             u"\" es una carpeta; indica el nombre del archivo PDF"_s);
        fila("pdf en una carpeta borrada", {u"pdf"_s, real, u"--salida"_s, u"CARPETA/borrada/s.pdf"_s}, 3,
             u"velkor-comprobante: No se pudo crear el archivo temporal junto a "_s);
        fila("salida sin valor", {u"pdf"_s, real, u"--salida"_s, u"--rfc"_s}, 2, u"Falta el valor de --salida."_s);
        fila("salida dos veces", {u"pdf"_s, real, u"-o"_s, u"SALIDA"_s, u"--salida=b.pdf"_s}, 2,
             u"Se indicó dos veces --salida."_s);
        fila("verifica con uuid", {u"verifica"_s, real, u"--uuid"_s, u"X"_s}, 2,
             u"La orden verifica no lleva --uuid"_s);
        fila("pdf de una carpeta", {u"pdf"_s, u"CARPETA"_s, u"--salida"_s, u"SALIDA"_s}, 3,
             u"comprobantes\": Es una carpeta; indica un archivo."_s);
        const QString retenciones = E::dato(u"retenciones20.xml"_s);
        fila("pdf de un XML que no es un CFDI", {u"pdf"_s, retenciones, u"--salida"_s, u"SALIDA"_s}, 3,
             u"No se pudo leer \"%1\": El documento no es un CFDI de versión 3.2, 3.3 ni 4.0."_s.arg(retenciones));
        fila("pdf de un archivo vacío", {u"pdf"_s, u"CARPETA/nada/vacio.xml"_s, u"--salida"_s, u"SALIDA"_s}, 3,
             u"No se pudo leer \""_s);
        fila("carpeta sin comprobantes", {u"verifica"_s, u"CARPETA/nada/sin"_s}, 3,
             u"sin: No se encontró ningún comprobante"_s);
        // Never waiting on a pipe, nor reading a file larger than a voucher.
        fila("tubería", {u"verifica"_s, u"CARPETA/nada/tubo.xml"_s}, 3,
             u"tubo.xml: No verificable. No es un archivo sino una tubería"_s);
        fila("archivo enorme", {u"verifica"_s, u"CARPETA/nada/enorme.xml"_s}, 3,
             u"enorme.xml: No verificable. Ocupa 129"_s);
        // A mistyped RFC is not a business whose database went missing.
        fila("rfc no registrado", {u"verifica"_s, u"--rfc"_s, u"AAA010101AAA"_s, u"--correo"_s, u"a@ejemplo.mx"_s}, 4,
             u"No hay un negocio con RFC AAA010101AAA registrado en esta carpeta del programa"_s, true);
    }

    // The command line's use, its messages and its exit statuses.
    void ordenes()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(int, salida);
        QFETCH(QString, dice);
        QFETCH(bool, anterior);
        TCarpetaPrograma carpeta;
        const QString registro = carpeta.archivo(u"db/Usuarios.db"_s);
        if (anterior) {
            // As unpacked with the usual creation mask.
            TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip")).extraeTodo(carpeta.ruta(), {});
            QVERIFY(QFile::setPermissions(carpeta.archivo(u"db"_s), QFile::Permissions(0x7755)));
            QVERIFY(QFile::setPermissions(registro, QFile::Permissions(0x6644)));
        }
        const QString programa = carpeta.archivo(u"velkor-comprobante"_s);
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/velkor-comprobante"), programa));
        QFile::setPermissions(programa, QFile::ReadOwner | QFile::ExeOwner);
        const QString pdf = carpeta.archivo(u"salida.pdf"_s);
        argumentos.replaceInStrings(u"SALIDA"_s, pdf);
        const QString comprobantes = carpeta.archivo(u"comprobantes"_s);
        const QString protegida = comprobantes + u"/protegida"_s;
        const auto devuelvePermisos =
            qScopeGuard([&] { QFile::setPermissions(protegida, QFile::Permissions(0x7700)); });
        const bool conCarpeta = !argumentos.filter(u"CARPETA"_s).isEmpty();
        argumentos.replaceInStrings(u"CARPETA"_s, comprobantes);
        if (conCarpeta) {
            const auto dato = [](const QString& nombre) { return TCarpetaPrograma::lee(E::dato(nombre)); };
            QVERIFY(TCarpetaPrograma::escribe(comprobantes + u"/cfdi40-real.xml"_s, dato(u"cfdi40-real.xml"_s)));
            QVERIFY(TCarpetaPrograma::escribe(comprobantes + u"/roto.zip"_s, dato(u"cfdi40-real.xml"_s)));
            QVERIFY(TCarpetaPrograma::escribe(protegida + u"/cfdi32-real.xml"_s, dato(u"cfdi32-real.xml"_s)));
            QVERIFY(QFile::setPermissions(protegida, QFile::Permissions(0x5555)));
            QVERIFY(QDir().mkpath(comprobantes + u"/paquetes"_s));
            const QTemporaryDir vacia;
            TArchivoZip::comprime(comprobantes + u"/paquetes/sat.zip"_s, vacia.path(), u"descarga/"_s, QString(),
                                  TArchivoZip::TCifrado::Ninguno, {},
                                  {{u"descarga/cfdi33-real.xml"_s, dato(u"cfdi33-real.xml"_s)}});
            QVERIFY(QDir().mkpath(comprobantes + u"/nada/sin"_s));
            QVERIFY(TCarpetaPrograma::escribe(comprobantes + u"/nada/vacio.xml"_s, QByteArray()));
            QVERIFY(::mkfifo(QFile::encodeName(comprobantes + u"/nada/tubo.xml"_s).constData(), 0600) == 0);
            QFile enorme(comprobantes + u"/nada/enorme.xml"_s);
            QVERIFY(enorme.open(QIODevice::WriteOnly) && enorme.resize(TDocumentoXML::TAMANO_MAXIMO + 1024 * 1024));
        }
        const auto [salidaCorrida, todo] = corre(programa, argumentos);
        QCOMPARE(salidaCorrida, salida);
        QVERIFY2(todo.contains(dice), qPrintable(todo));
        if (conCarpeta)
            QCOMPARE(TCarpetaPrograma::lee(comprobantes + u"/cfdi40-real.xml"_s),
                     TCarpetaPrograma::lee(E::dato(u"cfdi40-real.xml"_s)));
        if (argumentos.contains(pdf) && salida == 0) {
            QVERIFY(TCarpetaPrograma::lee(pdf).startsWith("%PDF"));
            QCOMPARE(TCarpetaPrograma::modo(pdf), 0600);
        }
        if (anterior) {
            QCOMPARE(TCarpetaPrograma::modo(registro), 0600);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"anterior"_s);
                db.setDatabaseName(registro);
                QVERIFY(db.open());
                QSqlQuery cadenas(u"SELECT stringConexion FROM Conexion"_s, db);
                QVERIFY(cadenas.next());
                QVERIFY(!cadenas.value(0).toString().startsWith(u"v1:"_s));
            }
            QSqlDatabase::removeDatabase(u"anterior"_s);
        }
    }

    // Ctrl-C stops a long check between vouchers, with the counts so far.
    // Its output is not read until the signal is sent: the pipe fills and
    // holds the run before its end, whenever the signal comes.
    void detenidaPorUnaSenal()
    {
        TCarpetaPrograma carpeta;
        const QString programa = carpeta.archivo(u"velkor-comprobante"_s);
        QVERIFY(QFile::copy(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/velkor-comprobante"), programa));
        QFile::setPermissions(programa, QFile::ReadOwner | QFile::ExeOwner);
        const QString comprobantes = carpeta.archivo(u"comprobantes"_s);
        QVERIFY(TCarpetaPrograma::escribe(comprobantes + u"/0.xml"_s,
                                          TCarpetaPrograma::lee(E::dato(u"cfdi40-real.xml"_s))));
        const int total = 1000;
        for (int i = 1; i < total; ++i)
            QVERIFY(::link(QFile::encodeName(comprobantes + u"/0.xml"_s).constData(),
                           QFile::encodeName(comprobantes + u"/%1.xml"_s.arg(i)).constData()) == 0);
        QProcess proceso;
        proceso.start(programa, {u"verifica"_s, comprobantes});
        QVERIFY(proceso.waitForStarted());
        // Sent once the program blocks the signals, so it is its own to read.
        const QString estado = u"/proc/%1/status"_s.arg(proceso.processId());
        for (;;) {
            const QByteArray bloqueadas = TCarpetaPrograma::lee(estado);
            const qsizetype desde = bloqueadas.indexOf("SigBlk:");
            QVERIFY(desde >= 0);
            if (bloqueadas.mid(desde + 7).split('\n').first().trimmed().toULongLong(nullptr, 16) & 0x2)
                break;
            QThread::yieldCurrentThread();
        }
        QVERIFY(::kill(pid_t(proceso.processId()), SIGINT) == 0);
        QVERIFY(proceso.waitForFinished(120000));
        const QString dicho = QString::fromUtf8(proceso.readAllStandardOutput());
        QCOMPARE(proceso.exitCode(), 130);
        QVERIFY2(dicho.contains(u"Verificación detenida por una señal"_s), qPrintable(dicho.right(300)));
        QVERIFY(dicho.count(u": Auténtico."_s) < total);
    }

    // A voucher that carries another valid certificate than the one it
    // names is counted in the end message apart from the altered ones.
    void certificadoQueNoCorresponde()
    {
        TEntornoImportacion entorno;
        preparaCarpeta(entorno);
        entorno.escribe(u"ajeno/cfdi40-real.xml"_s, cfdiConCertificadoAjeno(UUID_AJENO.toLatin1()));
        TReporteImportacion reporte(Sistema::exePath);
        for (const TResultadoArchivo& r : entorno.importaCarpeta(10))
            reporte.agrega(r);
        reporte.cierra();
        const QString mensaje = reporte.mensajeFinal();
        for (const QString& dicho : {u"\nImportados: 5\n"_s, u"\nAlterados: 1 (no corresponden"_s,
                                     u"\nCertificado no corresponde: 1 (traen un certificado que no les corresponde"_s})
            QVERIFY2(mensaje.contains(dicho), qPrintable(mensaje));
    }

    // A business whose vouchers were stored before the check (the column
    // empty) gets them checked on a thread, with its progress, and the
    // next pass has nothing left.
    void revisaLosGuardados()
    {
        TEntornoImportacion entorno;
        QList<TEsperado> esperados = preparaCarpeta(entorno);
        entorno.escribe(u"ajeno/cfdi40-real.xml"_s, cfdiConCertificadoAjeno(UUID_AJENO.toLatin1()));
        esperados << TEsperado{u"ajeno/cfdi40-real.xml"_s, u"ISD950921HE5"_s, UUID_AJENO, NO_CORRESPONDE};
        entorno.importaCarpeta(10);
        const TConexionSesion conexion = E::conexion(u"ISD950921HE5"_s);
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(u"ISD950921HE5"_s, conexion);
        QVERIFY(negocio);
        {
            // As an earlier version left them.
            TTransaccion t(conexion);
            for (TComprobante c : TComprobante::busca(
                     TComprobante::columna(TComprobante::col_Negocio) == negocio->getIdnegocio(), conexion)) {
                c.setVerificacionsello(QString());
                c.setMotivoverificacion(QString());
                TUnidadTrabajo(conexion, -1).guarda(c);
            }
            t.commit();
        }
        QCOMPARE(RevisionSellos::pendientes(conexion, negocio->getIdnegocio()), 3);

        THiloRevisionSellos hilo(conexion, negocio->getIdnegocio(), -1);
        QSignalSpy avance(&hilo, &THiloRevisionSellos::avance);
        hilo.start();
        QVERIFY(hilo.wait(120000));
        QCOMPARE(hilo.error(), QString());
        QCOMPARE(avance.size(), 1);
        QCOMPARE(avance.first(), (QVariantList{3, 3, 1, 1}));
        QCOMPARE(RevisionSellos::pendientes(conexion, negocio->getIdnegocio()), 0);
        for (const TEsperado& e : esperados.mid(2))
            QCOMPARE(E::comprobante(e.rfc, e.uuid)->getVerificacionsello(), e.estado);
        QCOMPARE(RevisionSellos::revisa(conexion, negocio->getIdnegocio(), -1, 10).revisados, 0);
    }
};

QTEST_GUILESS_MAIN(TstSellos)
#include "tst_sellos.moc"
