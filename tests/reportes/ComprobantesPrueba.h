#pragma once
// Vouchers of two businesses stored through the entity package, shared by the
// reports' query tests and their window tests.
#include "ConciliacionSat.h"
#include "ConsultaComprobantes.h"
#include "Entidades.h"

#include <QAbstractItemModel>
#include <QByteArray>
#include <QDateTime>

Q_DECLARE_METATYPE(TTotalMensual)

using namespace Qt::StringLiterals;

inline TDecimal d(const char* texto)
{
    return TDecimal::desdeTexto(QString::fromLatin1(texto));
}

inline QDateTime fecha(const char* texto)
{
    return QDateTime::fromString(QString::fromLatin1(texto), u"yyyy-MM-dd HH:mm:ss"_s);
}

const QByteArray XML_V2 =
    QByteArrayLiteral("<cfdi:Comprobante Version=\"4.0\" Total=\"116.00\">Papelería</cfdi:Comprobante>");

// Vouchers of two businesses, stored through the entity package.
class TComprobantesPrueba {
public:
    explicit TComprobantesPrueba(const TConexionSesion& c) : conexion(c), unidad(c, 1)
    {
        negocio = guardaNegocio(u"Papelería"_s);
        otroNegocio = guardaNegocio(u"Otra"_s);
        const TCliente publico = cliente(u"XAXX010101000"_s, u"PÚBLICO EN GENERAL"_s);
        const TCliente nandu = cliente(u"CNA010101AB1"_s, u"COMERCIAL ÑANDÚ, S.A. \"LA BUENA\""_s);
        const TCliente formula = cliente(u"FOR010101AAA"_s, u"=HYPERLINK(\"http://x\")"_s);
        comprobante(negocio, "2023-12-31 10:00:00", "P", "P", "1", publico, "0", "0", "0", "0", "UUID-1");
        idV2 = comprobante(negocio, "2024-01-15 09:30:00", "I", "A", "1", publico, "100.00", "16.00", "0", "116.00",
                           "UUID-2", "4.0", XML_V2);
        comprobante(negocio, "2024-01-31 23:59:59", "I", "A", "2", nandu, "1234567890.123456", "197530862.419753",
                    "10.5", "1432098742.043209", "UUID-3", "3.3", {}, "USD");
        comprobante(negocio, "2024-02-01 00:00:00", "E", "NC", "1", nandu, "0.10", "0.016", "0", "0.116", "UUID-4");
        comprobante(negocio, "2024-03-20 12:00:00", "N", "N", "5", formula, "5000", "0", "500.25", "4499.75", "UUID-5");
        comprobante(otroNegocio, "2024-01-20 08:00:00", "I", "X", "9", publico, "999", "0", "0", "999", "UUID-6");
        // Two foreign customers behind one generic RFC: its customer record
        // keeps the first name, each voucher its own.
        const TCliente extranjero = cliente(u"XEXX010101000"_s, u"ACME INC"_s);
        comprobante(otroNegocio, "2024-02-05 10:00:00", "I", "X", "10", extranjero, "50", "0", "0", "50", "UUID-7",
                    "4.0", {}, "USD", u"ACME INC"_s);
        comprobante(otroNegocio, "2024-02-06 10:00:00", "I", "X", "11", extranjero, "70", "0", "0", "70", "UUID-8",
                    "4.0", {}, "USD", u"GLOBEX CORP"_s);
    }

    TNegocio guardaNegocio(const QString& nombre)
    {
        TNegocio n;
        n.setNombre(nombre);
        return TNegocio::saveOrUpdate(n, unidad);
    }

    TCliente cliente(const QString& rfc, const QString& razon)
    {
        TDatosfiscales fiscales;
        fiscales.setRfc(rfc);
        fiscales.setRazon(razon);
        TCliente c;
        c.setNegocio(negocio);
        c.setDatosfiscales(TDatosfiscales::saveOrUpdate(fiscales, unidad));
        return TCliente::saveOrUpdate(c, unidad);
    }

    int comprobante(const TNegocio& dueno, const char* emision, const char* tipo, const char* serie, const char* folio,
                    const TCliente& receptor, const char* subtotal, const char* trasladados, const char* retenidos,
                    const char* total, const char* uuid, const char* version = "4.0",
                    const QByteArray& xml = QByteArray(), const char* moneda = "MXN",
                    const QString& nombreReceptor = QString())
    {
        TComprobante c;
        c.setNegocio(dueno);
        c.setCliente(receptor);
        c.setFechaemision(fecha(emision));
        c.setTipocomprobante(QString::fromLatin1(tipo));
        c.setSerie(QString::fromLatin1(serie));
        c.setFolio(QString::fromLatin1(folio));
        c.setRfcreceptor(receptor.getDatosfiscales()->getRfc());
        c.setSubtotal(d(subtotal));
        c.setTotalimpuestostrasladados(d(trasladados));
        c.setTotalimpuestosretenidos(d(retenidos));
        c.setTotal(d(total));
        c.setUuid(QString::fromLatin1(uuid));
        c.setVersion(d(version));
        c.setComprobantexml(xml);
        c.setMoneda(QString::fromLatin1(moneda));
        if (!nombreReceptor.isEmpty())
            c.setNombrereceptor(nombreReceptor);
        return TComprobante::saveOrUpdate(c, unidad).getIdcomprobante();
    }

    TFiltroComprobantes filtro() const
    {
        TFiltroComprobantes f;
        f.idNegocio = negocio.getIdnegocio();
        return f;
    }

    TConexionSesion conexion;
    TUnidadTrabajo unidad;
    TNegocio negocio;
    TNegocio otroNegocio;
    int idV2 = -1;
};

// A row of the SAT's metadata, stored as the import stores it.
inline auto metadato(const TUnidadTrabajo& unidad, int idNegocio, const QString& uuid, const QString& rfcEmisor,
                     const char* emision, const char* monto, const QString& cancelacion = QString(),
                     const QDate& paquete = QDate(2024, 4, 1))
{
    TMetadatosat m;
    m.setUuid(uuid);
    m.setRfcemisor(rfcEmisor);
    m.setNombreemisor(u"EMISOR "_s + rfcEmisor);
    m.setRfcreceptor(u"XAXX010101000"_s);
    m.setNombrereceptor(u"PÚBLICO EN GENERAL"_s);
    m.setFechaemision(QString::fromLatin1(emision));
    m.setMonto(d(monto));
    m.setEfecto(u"I"_s);
    m.setEstatussat(cancelacion.isEmpty() ? TMetadatosat::ESTATUS_VIGENTE : TMetadatosat::ESTATUS_CANCELADO);
    m.setFechacancelacion(cancelacion);
    m.setEmisorlocal(0);
    m.setFechapaquete(QDateTime(paquete, QTime(0, 0)));
    return ConciliacionSat::guarda(m, idNegocio, unidad);
}

inline QStringList columna(const QAbstractItemModel* modelo, int c)
{
    QStringList celdas;
    for (int f = 0; f < modelo->rowCount(); ++f)
        celdas << modelo->index(f, c).data().toString();
    return celdas;
}
