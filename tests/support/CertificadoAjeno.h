#pragma once
#include <QByteArray>
#include <QFile>

// The real CFDI 4.0 voucher of tests/data carrying another valid certificate
// than the one its NoCertificado names (the SAT's test CSD of EKU9003173C9),
// as a voucher sealed by someone else in its issuer's name would; filed
// under `uuid` when one is given.
inline QByteArray cfdiConCertificadoAjeno(const QByteArray& uuid = QByteArray())
{
    QFile real(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/cfdi40-real.xml"));
    QFile ajeno(QStringLiteral(VELKOR_DATOS_PRUEBA "/csd/EKU9003173C9.cer"));
    if (!real.open(QIODevice::ReadOnly) || !ajeno.open(QIODevice::ReadOnly))
        qFatal("Faltan los datos de prueba");
    QByteArray xml = real.readAll();
    const QByteArray atributo = " Certificado=\"";
    const qsizetype desde = xml.indexOf(atributo) + atributo.size();
    xml.replace(desde, xml.indexOf('"', desde) - desde, ajeno.readAll().toBase64());
    if (!uuid.isEmpty())
        xml.replace("C2832671-DA6D-11EF-A83D-00155D012007", uuid);
    return xml;
}
