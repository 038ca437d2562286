#include "EntornoImportacion.h"

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;
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
    return cp.getCp() + u'|' + cp.getEstado() + u'|' + cp.getMunicipio() + u'|' + cp.getLocalidad();
}

QString fila(const TDireccion& d)
{
    return d.getEstado() + u'|' + d.getMunicipio() + u'|' + d.getLocalidad();
}

} // namespace

// What a version 3.2 voucher says that the records of a business the import
// created must keep: payment form and method, postal codes.
class TstDatosImportados : public QObject {
    Q_OBJECT
private slots:
    // The payment form and method as the file writes them, in a business the
    // import created (its catalogue starts empty).
    void formaYMetodoDePago_data()
    {
        QTest::addColumn<QByteArray>("contenido");
        QTest::addColumn<QString>("forma");
        QTest::addColumn<QString>("codigo");
        QTest::addColumn<QString>("metodo");
        const QString unaSola = TFormapago::FORMAPAGO_UNASOLA_EX_LOWER;
        const QString tarjeta = u"Tarjeta de crédito"_s;
        // The real 3.2 voucher with one text changed.
        const auto real = [](const QByteArray& de, const QByteArray& a) {
            return E::variante(u"cfdi32-real.xml"_s, {{de, a}});
        };
        const QByteArray metodo = "metodoDePago=\"04\"";
        const QByteArray exhibicion = "formaDePago=\"Pago en una sola exhibicion\"";
        QTest::newRow("código del SAT") << E::bytes(E::dato(u"cfdi32-real.xml"_s)) << unaSola << u"04"_s << tarjeta;
        QTest::newRow("método escrito") << E::bytes(E::dato(u"cfdv32-ejemplo.xml"_s)) << unaSola << QString()
                                        << u"No Identificado"_s;
        QTest::newRow("varios códigos") << real(metodo, "metodoDePago=\"02,03\"") << unaSola << u"02,03"_s
                                        << u"Cheque nominativo, Transferencia electrónica de fondos"_s;
        QTest::newRow("palabra corta") << real(metodo, "metodoDePago=\" cheque \"") << unaSola << u"cheque"_s
                                       << u"cheque"_s;
        QTest::newRow("con acento") << real(exhibicion, "formaDePago=\"PAGO EN UNA SOLA EXHIBICIÓN\"") << unaSola
                                    << u"04"_s << tarjeta;
        QTest::newRow("parcialidades") << real(exhibicion, "formaDePago=\"Parcialidad 1 de 3\"")
                                       << u"Parcialidad 1 de 3"_s << u"04"_s << tarjeta;
    }
    void formaYMetodoDePago()
    {
        QFETCH(QByteArray, contenido);
        QFETCH(QString, forma);
        QFETCH(QString, codigo);
        QFETCH(QString, metodo);
        TEntornoImportacion entorno;
        const TResultadoArchivo r = importaEnNegocioNuevo(entorno, entorno.escribe(u"a.xml"_s, contenido));

        const std::unique_ptr<TComprobante> v = E::comprobante(r.rfc, r.uuid);
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
        const QString real = u"cfdi32-real.xml"_s;
        const QByteArray uuid = "80824F3B-323E-407B-8F8E-40D83FE2E69F";
        entorno.agrega(real);
        entorno.escribe(u"b.xml"_s, E::variante(real, {{uuid, "80824F3B-323E-407B-8F8E-40D83FE2E6A0"},
                                                       {"formaDePago=\"Pago en una sola exhibicion\"",
                                                        "formaDePago=\"PAGO EN UNA SOLA EXHIBICION\""}}));
        for (const TResultadoArchivo& r : entorno.importaCarpeta(1))
            QVERIFY2(r.estado == Estado::Importado, qPrintable(r.motivo));
        entorno.escribe(u"c.xml"_s, E::variante(real, {{uuid, "80824F3B-323E-407B-8F8E-40D83FE2E6A1"}}));
        entorno.importador()->importa(entorno.entrada() + u"c.xml"_s);

        const QString rfc = u"CTO021007DZ8"_s;
        const TConexionSesion conexion = E::conexion(rfc);
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
        QTest::newRow("cfdi32-real") << u"cfdi32-real.xml"_s
                                     << u"52148|MEX - Estado de México|054 - Metepec|08 - Metepec"_s
                                     << u"52172|MEX - Estado de México|054 - Metepec|08 - Metepec"_s;
        QTest::newRow("cfdv32-nomina") << u"cfdv32-nomina.xml"_s
                                       << u"64000|NLE - Nuevo León|039 - Monterrey|07 - Monterrey"_s
                                       << u"99170|ZAC - Zacatecas|010 - Fresnillo|"_s;
    }
    void codigoPostal()
    {
        QFETCH(QString, archivo);
        QFETCH(QString, emisor);
        QFETCH(QString, receptor);
        TEntornoImportacion entorno;
        const TResultadoArchivo r = importaEnNegocioNuevo(entorno, entorno.agrega(archivo));
        const TConexionSesion conexion = E::conexion(r.rfc);
        const std::unique_ptr<TComprobante> v = E::comprobante(r.rfc, r.uuid);
        QVERIFY(v);

        const std::unique_ptr<TNegocio> negocio = TNegocio::getByRFC(r.rfc, conexion);
        QVERIFY(negocio);
        for (const auto& [direccion, esperado] : {std::pair(negocio->getDatosfiscales()->getDireccion(), emisor),
                                                  std::pair(v->getCliente()->getDireccionEnvio(), receptor)}) {
            QVERIFY(direccion);
            QVERIFY(direccion->getCodigoPostal());
            QCOMPARE(fila(*direccion->getCodigoPostal()), esperado);
            // The address shows what its postal code's row holds.
            QCOMPARE(fila(*direccion), esperado.section(u'|', 1));
        }
    }
};

QTEST_GUILESS_MAIN(TstDatosImportados)
#include "tst_datosimportados.moc"
