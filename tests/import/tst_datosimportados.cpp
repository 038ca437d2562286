#include "EntornoImportacion.h"

using Estado = TResultadoArchivo::TEstado;

namespace {

// The one file imported into a program folder that has no business yet, so
// the import creates its issuer's business.
TResultadoArchivo importaEnNegocioNuevo(const TEntornoImportacion& entorno, const QString& ruta)
{
    if (!registroLocal().getEmpresas().isEmpty())
        qFatal("el registro no está vacío");
    const TResultadoArchivo r = entorno.importador()->importa(ruta);
    if (r.estado != Estado::Importado)
        qFatal("%s no se importó: %s", qPrintable(ruta), qPrintable(r.motivo));
    return r;
}

QString fila(const TCodigopostal& cp)
{
    return cp.getCp() + QLatin1Char('|') + cp.getEstado() + QLatin1Char('|') + cp.getMunicipio() + QLatin1Char('|') +
           cp.getLocalidad();
}

QString fila(const TDireccion& d)
{
    return d.getEstado() + QLatin1Char('|') + d.getMunicipio() + QLatin1Char('|') + d.getLocalidad();
}

} // namespace

// What a version 3.2 voucher says that the records of a business the import
// created must keep: payment form and method, postal codes, the payroll
// employee's stamp.
class TstDatosImportados : public QObject {
    Q_OBJECT
private slots:
    // The payment form and method as the file writes them, in a business the
    // import created (its catalogue starts empty).
    void formaYMetodoDePago_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QByteArray>("cambio"); // "de=a", empty for the file as it is
        QTest::addColumn<QString>("forma");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("metodo");
        const QString unaSola = TFormapago::FORMAPAGO_UNASOLA_EX_LOWER;
        QTest::newRow("código del SAT") << QStringLiteral("cfdi32-real.xml") << QByteArray() << unaSola
                                        << QStringLiteral("04") << QStringLiteral("Tarjeta de crédito");
        QTest::newRow("método escrito") << QStringLiteral("cfdv32-ejemplo.xml") << QByteArray() << unaSola << QString()
                                        << QStringLiteral("No Identificado");
        QTest::newRow("varios códigos") << QStringLiteral("cfdi32-real.xml")
                                        << QByteArray("metodoDePago=\"04\"=metodoDePago=\"02,03\"") << unaSola
                                        << QStringLiteral("02,03")
                                        << QStringLiteral("Cheque nominativo, Transferencia electrónica de fondos");
        QTest::newRow("palabra corta") << QStringLiteral("cfdi32-real.xml")
                                       << QByteArray("metodoDePago=\"04\"=metodoDePago=\" cheque \"") << unaSola
                                       << QStringLiteral("cheque") << QStringLiteral("cheque");
        QTest::newRow("con acento") << QStringLiteral("cfdi32-real.xml")
                                    << QByteArray("formaDePago=\"Pago en una sola exhibicion\"="
                                                  "formaDePago=\"PAGO EN UNA SOLA EXHIBICIÓN\"")
                                    << unaSola << QStringLiteral("04") << QStringLiteral("Tarjeta de crédito");
        QTest::newRow("parcialidades") << QStringLiteral("cfdi32-real.xml")
                                       << QByteArray("formaDePago=\"Pago en una sola exhibicion\"="
                                                     "formaDePago=\"Parcialidad 1 de 3\"")
                                       << QStringLiteral("Parcialidad 1 de 3") << QStringLiteral("04")
                                       << QStringLiteral("Tarjeta de crédito");
    }
    void formaYMetodoDePago()
    {
        QFETCH(QString, archivo);
        QFETCH(QByteArray, cambio);
        QFETCH(QString, forma);
        QFETCH(QString, codigo);
        QFETCH(QString, metodo);
        TEntornoImportacion entorno;
        QList<QPair<QByteArray, QByteArray>> cambios;
        if (!cambio.isEmpty()) {
            const qsizetype igual = cambio.indexOf("\"=") + 1;
            cambios.append({cambio.left(igual), cambio.mid(igual + 1)});
        }
        const TResultadoArchivo r = importaEnNegocioNuevo(
            entorno, entorno.escribe(QStringLiteral("a.xml"), TEntornoImportacion::variante(archivo, cambios)));

        const std::unique_ptr<TComprobante> v = TEntornoImportacion::comprobante(r.rfc, r.uuid);
        QVERIFY(v);
        const std::shared_ptr<TFormapago> formaGuardada = v->getFormapago();
        QVERIFY(formaGuardada);
        QCOMPARE(formaGuardada->getDescripcion(), forma);
        const std::shared_ptr<TMetodopago> metodoGuardado = v->getMetodopago();
        QVERIFY(metodoGuardado);
        QCOMPARE(metodoGuardado->getCodigo(), codigo);
        QCOMPARE(metodoGuardado->getDescripcion(), metodo);
    }

    // Every voucher with the same wording shares one record, also across
    // jobs.
    void formaYMetodoUnaVez()
    {
        TEntornoImportacion entorno;
        const QString otroUuid = QStringLiteral("80824F3B-323E-407B-8F8E-40D83FE2E6A0");
        entorno.agrega(QStringLiteral("cfdi32-real.xml"));
        entorno.escribe(QStringLiteral("b.xml"),
                        TEntornoImportacion::variante(QStringLiteral("cfdi32-real.xml"),
                                                      {{"80824F3B-323E-407B-8F8E-40D83FE2E69F", otroUuid.toLatin1()},
                                                       {"formaDePago=\"Pago en una sola exhibicion\"",
                                                        "formaDePago=\"PAGO EN UNA SOLA EXHIBICION\""}}));
        for (const TResultadoArchivo& r : entorno.importaCarpeta(1))
            QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        entorno.escribe(QStringLiteral("c.xml"),
                        TEntornoImportacion::variante(
                            QStringLiteral("cfdi32-real.xml"),
                            {{"80824F3B-323E-407B-8F8E-40D83FE2E69F", "80824F3B-323E-407B-8F8E-40D83FE2E6A1"}}));
        entorno.importador()->importa(entorno.entrada() + QStringLiteral("c.xml"));

        const QString rfc = QStringLiteral("CTO021007DZ8");
        const TConexionSesion conexion = TEntornoImportacion::conexion(rfc);
        QCOMPARE(TComprobante::cuenta(TCondicion(), conexion), 3);
        QCOMPARE(TFormapago::cuenta(TCondicion(), conexion), 1);
        QCOMPARE(TMetodopago::cuenta(TCondicion(), conexion), 1);
        QCOMPARE(TComprobante::cuenta(TComprobante::columna(TComprobante::col_Formapago).esNulo() ||
                                          TComprobante::columna(TComprobante::col_Metodopago).esNulo(),
                                      conexion),
                 0);
    }

    // The postal-code rows of an imported address, of the issuer (whose
    // business the import creates) and of the receiver: state, municipality
    // and locality from the SAT catalogue, each "key - name"; none where the
    // catalogue has none.
    void codigoPostal_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QString>("emisor");
        QTest::addColumn<QString>("receptor");
        QTest::newRow("cfdi32-real") << QStringLiteral("cfdi32-real.xml")
                                     << QStringLiteral("52148|MEX - Estado de México|054 - Metepec|08 - Metepec")
                                     << QStringLiteral("52172|MEX - Estado de México|054 - Metepec|08 - Metepec");
        QTest::newRow("cfdv32-nomina") << QStringLiteral("cfdv32-nomina.xml")
                                       << QStringLiteral("64000|NLE - Nuevo León|039 - Monterrey|07 - Monterrey")
                                       << QStringLiteral("99170|ZAC - Zacatecas|010 - Fresnillo|");
    }
    void codigoPostal()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, emisor);
        QFETCH(QString, receptor);
        TEntornoImportacion entorno;
        const TResultadoArchivo r = importaEnNegocioNuevo(entorno, entorno.agrega(archivo));
        const TConexionSesion conexion = TEntornoImportacion::conexion(r.rfc);
        const std::unique_ptr<TComprobante> v = TEntornoImportacion::comprobante(r.rfc, r.uuid);
        QVERIFY(v);

        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(r.rfc, conexion);
        QVERIFY(negocio);
        const std::shared_ptr<TDireccion> fiscal = negocio->getDatosfiscales()->getDireccion();
        QVERIFY(fiscal);
        QVERIFY(fiscal->getCodigoPostal());
        QCOMPARE(fila(*fiscal->getCodigoPostal()), emisor);
        // The address shows what its postal code's row holds.
        QCOMPARE(fila(*fiscal), emisor.section(QLatin1Char('|'), 1));

        const std::shared_ptr<TDireccion> envio = v->getCliente()->getDireccionEnvio();
        QVERIFY(envio);
        QVERIFY(envio->getCodigoPostal());
        QCOMPARE(fila(*envio->getCodigoPostal()), receptor);
        QCOMPARE(fila(*envio), receptor.section(QLatin1Char('|'), 1));
    }

    // The employee a payroll 1.1 receipt brings is stamped as modified by 1,
    // whoever imports it; a known employee is not touched.
    void empleadoNomina11()
    {
        TEntornoImportacion entorno;
        const TResultadoArchivo r = importaEnNegocioNuevo(entorno, entorno.agrega(QStringLiteral("cfdv32-nomina.xml")));
        const TConexionSesion conexion = TEntornoImportacion::conexion(r.rfc);
        const std::unique_ptr<TEmpleado> empleado =
            TEmpleado::getByCURP(QStringLiteral("FXXH921011HDGBPZ50"), conexion);
        QVERIFY(empleado);
        QCOMPARE(empleado->getUltimamodificacionpor(), 1);
    }
};

QTEST_GUILESS_MAIN(TstDatosImportados)
#include "tst_datosimportados.moc"
