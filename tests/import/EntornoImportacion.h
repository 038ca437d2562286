#pragma once
#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "Entidades.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "import/TImportadorXML.h"
#include "import/TLoteImportacion.h"
#include "negocio/TRecorridoXML.h"
#include "negocio/Utils.h"

#include <QDir>
#include <QFile>
#include <QUuid>
#include <QtTest>

// A program folder as after the first start (registry and SAT catalogue in
// place, no business yet) with a folder of files to import.
class TEntornoImportacion {
public:
    static constexpr const char* EMAIL = "importa@negocio.mx";
    static constexpr const char* PASSWORD = "Clave#1";

    TEntornoImportacion()
    {
        TBaseDatosLocalFrm::creaTablas(carpeta.archivo(Constantes::DB_USUARIOS));
        carpeta.instalaCatalogo();
        QDir().mkpath(entrada());
    }

    static QString dato(const QString& nombre) { return QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre; }
    static QByteArray bytes(const QString& ruta) { return TCarpetaPrograma::lee(ruta); }
    // A real voucher of the test data with some of its bytes changed; a text
    // to change that is not there stops the test program.
    static QByteArray variante(const QString& archivo, const QList<QPair<QByteArray, QByteArray>>& cambios)
    {
        QByteArray b = bytes(dato(archivo));
        for (const auto& [de, a] : cambios) {
            if (!b.contains(de))
                qFatal("%s no contiene %s", qPrintable(archivo), de.constData());
            b.replace(de, a);
        }
        return b;
    }

    QString entrada() const { return carpeta.archivo(QStringLiteral("entrada/")); }

    // Copies a test file into the folder to import (under `como` when given).
    QString agrega(const QString& nombre, const QString& como = QString()) const
    {
        const QString destino = entrada() + (como.isEmpty() ? QFileInfo(nombre).fileName() : como);
        QDir().mkpath(QFileInfo(destino).absolutePath());
        QFile::remove(destino);
        if (!QFile::copy(dato(nombre), destino))
            qFatal("No se pudo copiar %s", qPrintable(nombre));
        QFile::setPermissions(destino, QFile::ReadOwner | QFile::WriteOwner);
        return destino;
    }
    // Writes a file to import.
    QString escribe(const QString& como, const QByteArray& contenido) const
    {
        return escribeEn(entrada() + como, contenido);
    }
    // Writes a file anywhere, making its folder.
    static QString escribeEn(const QString& destino, const QByteArray& contenido)
    {
        QDir().mkpath(QFileInfo(destino).absolutePath());
        QFile f(destino);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(contenido) != contenido.size())
            qFatal("No se pudo escribir %s", qPrintable(destino));
        return destino;
    }

    // Real vouchers of three issuers and versions, each with the UUID of its stamp.
    static inline const QList<std::pair<QString, QByteArray>> MUESTRAS = {
        {QStringLiteral("cfdi40-real.xml"), "C2832671-DA6D-11EF-A83D-00155D012007"},
        {QStringLiteral("cfdi32-real.xml"), "80824F3B-323E-407B-8F8E-40D83FE2E69F"},
        {QStringLiteral("cfdi33-valid.xml"), "9FB6ED1A-5F37-4FEF-980A-7F8C83B51894"},
    };
    static QString uuidNuevo() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }
    // The i-th of MUESTRAS, in turn, with a fresh UUID: another voucher each time.
    static QByteArray muestraNueva(int i)
    {
        const auto& [archivo, uuid] = MUESTRAS.at(i % MUESTRAS.size());
        return bytes(dato(archivo)).replace(uuid, uuidNuevo().toLatin1());
    }
    // The real 4.0 voucher under `uuid`: another voucher of its issuer.
    static QByteArray cfdi40(const QString& uuid)
    {
        return variante(MUESTRAS.first().first, {{MUESTRAS.first().second, uuid.toLatin1()}});
    }

    TParametrosImportacion parametros() const
    {
        TParametrosImportacion p;
        p.email = QString::fromUtf8(EMAIL);
        p.password = QString::fromUtf8(PASSWORD);
        p.plantilla = bytes(TCarpetaPrograma::plantillaNegocio());
        p.logo = QByteArrayLiteral("logo");
        return p;
    }

    std::unique_ptr<TImportadorXML> importador() const
    {
        return std::make_unique<TImportadorXML>(registroLocal(), BaseDatosCatalogosFrm(), parametros());
    }

    // The whole folder, as the window imports it: the walk, `porLote` files
    // per commit. Results in file order.
    QList<TResultadoArchivo> importaCarpeta(int porLote = 1, TImportadorXML* usado = nullptr) const
    {
        std::unique_ptr<TImportadorXML> propio;
        if (!usado) {
            propio = importador();
            usado = propio.get();
        }
        QList<TResultadoArchivo> resultados;
        TLoteImportacion lote(*usado, porLote, [&](const TResultadoArchivo& r) { resultados.append(r); });
        TRecorridoXML(entrada()).recorre([&](const QString& ruta) {
            lote.importa(ruta);
            return true;
        });
        lote.confirma();
        return resultados;
    }

    // The connection to the database registered for that RFC.
    static TConexionSesion conexion(const QString& rfc)
    {
        TConexionSesion c;
        Utils::evaluaConexion(c, registroLocal().getEmpresaDetalle(rfc).value(2));
        return c;
    }
    static std::unique_ptr<TComprobante> comprobante(const QString& rfc, const QString& uuid)
    {
        const TConexionSesion c = conexion(rfc);
        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(rfc, c);
        return negocio ? TComprobante::getByUUIDAndNegocio(uuid, *negocio, c) : nullptr;
    }
    static int registros(const QString& rfc) { return registroLocal().getEmpresaDetalle(rfc).isEmpty() ? 0 : 1; }

    TCarpetaPrograma carpeta;
};
