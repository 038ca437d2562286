#include "Cfdv32.h"
#include "import/Nomina11.h"

#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;
using Lectura = std::function<QString()>;
using Accion = std::function<void()>;
Q_DECLARE_METATYPE(Lectura)

namespace {

QString ruta(const char* nombre)
{
    return QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + QString::fromUtf8(nombre);
}

// The receipt of a 3.2 voucher, read in place.
Nomina11::IXMLNomina deVoucher(const char* nombre)
{
    return Nomina11::deComprobante(Cfdv32::LoadComprobante(ruta(nombre))).value(0);
}

// The same receipt the way the import reads it: its text loaded on its own.
Nomina11::IXMLNomina aparte(const char* nombre)
{
    return Nomina11::GetNomina(TDocumentoXML::desdeBytes(deVoucher(nombre).xml().toUtf8()));
}

Nomina11::IXMLNomina minima()
{
    return Nomina11::GetNomina(TDocumentoXML::desdeArchivo(ruta("propios/nomina11-minima.xml")));
}

QString n(int valor)
{
    return QString::number(valor);
}

void fila(const char* nombre, const QString& esperado, Lectura lectura)
{
    QTest::newRow(nombre) << lectura << esperado;
}

} // namespace

class TstNomina11 : public QObject {
    Q_OBJECT

private slots:
    void valores_data()
    {
        QTest::addColumn<Lectura>("lectura");
        QTest::addColumn<QString>("esperado");
        for (const auto& [via, obten] : {std::pair{"en sitio", &deVoucher}, std::pair{"aparte", &aparte}}) {
            const auto nombre = [via = via](const char* que) { return QByteArray(que) + " " + via; };
            const auto nom = [obten = obten] { return obten("cfdv32-nomina.xml"); };
            fila(nombre("nómina"),
                 "1.1|A0123456789|ABC123|FXXH921011HDGBPZ50|2|0123456789|2015-01-14|2015-01-01|2015-01-15|"
                 "14|Contabilidad|12|2012-01-01|Contador|Indeterminado (Permanente)|Matutino|Quincenal||2|100.76",
                 [nom] {
                     const auto x = nom();
                     return x.Get_Version() + '|' + x.Get_RegistroPatronal() + '|' + x.Get_NumEmpleado() + '|' +
                            x.Get_CURP() + '|' + n(x.Get_TipoRegimen()) + '|' + x.Get_NumSeguridadSocial() + '|' +
                            x.Get_FechaPago() + '|' + x.Get_FechaInicialPago() + '|' + x.Get_FechaFinalPago() + '|' +
                            x.Get_NumDiasPagados() + '|' + x.Get_Departamento() + '|' + n(x.Get_Banco()) + '|' +
                            x.Get_FechaInicioRelLaboral() + '|' + x.Get_Puesto() + '|' + x.Get_TipoContrato() + '|' +
                            x.Get_TipoJornada() + '|' + x.Get_PeriodicidadPago() + '|' + x.Get_SalarioBaseCotApor() +
                            '|' + n(x.Get_RiesgoPuesto()) + '|' + x.Get_SalarioDiarioIntegrado();
                 });
            fila(nombre("ausentes"), "00", [nom] {
                const auto x = nom();
                return n(x.tieneAtributo("CLABE")) + n(x.tieneAtributo("Antiguedad")) + x.Get_SalarioBaseCotApor();
            });
            fila(nombre("percepciones"), "9590.10|0.00|3|17|039|Subsidio al Empleo (sp)|139.34|0", [nom] {
                const auto p = nom().Get_Percepciones();
                return p.Get_TotalGravado() + '|' + p.Get_TotalExento() + '|' + n(p.Count()) + '|' +
                       n(p.Get_Percepcion(1).Get_TipoPercepcion()) + '|' + p.Get_Percepcion(1).Get_Clave() + '|' +
                       p.Get_Percepcion(1).Get_Concepto() + '|' + p.Get_Percepcion(2).Get_ImporteGravado() + '|' +
                       p.Get_Percepcion(2).Get_ImporteExento();
            });
            fila(nombre("deducciones"), "0.00|167.66|4|501.18|I.M.S.S.|4|99|0", [nom] {
                const auto d = nom().Get_Deducciones();
                return d.Get_TotalGravado() + '|' + d.Get_TotalExento() + '|' + n(d.Count()) + '|' +
                       d.Get_Deduccion(1).Get_ImporteExento() + '|' + d.Get_Deduccion(2).Get_Concepto() + '|' +
                       n(d.Get_Deduccion(3).Get_TipoDeduccion()) + '|' + d.Get_Deduccion(3).Get_Clave() + '|' +
                       d.Get_Deduccion(0).Get_ImporteGravado();
            });
            fila(nombre("sin incapacidades ni horas"), "00",
                 [nom] { return n(nom().Get_Incapacidades().Count()) + n(nom().Get_HorasExtras().Count()); });
        }
        // Prefix declared on the voucher's root only.
        fila("prefijo en la raíz", "123456789|2|Sueldo|", [] {
            const auto x = aparte("propios/prefijos-en-raiz-32.xml");
            return n(x.Get_CLABE()) + '|' + n(x.Get_Banco()) + '|' +
                   x.Get_Percepciones().Get_Percepcion(0).Get_Concepto() + '|' + x.Get_Departamento();
        });
        fila("minima", "40|12|0|0", [] {
            const auto x = minima();
            return n(x.Get_Antiguedad()) + '|' + n(x.Get_Banco()) + '|' + n(x.Get_Percepciones().Count()) + '|' +
                   n(x.Get_Deducciones().Count());
        });
    }

    void valores()
    {
        QFETCH(Lectura, lectura);
        QFETCH(QString, esperado);
        QCOMPARE(lectura(), esperado);
    }

    void conversiones_data()
    {
        QTest::addColumn<Accion>("lee");
        QTest::addColumn<QString>("mensaje");
        QTest::newRow("CLABE de 18 dígitos")
            << Accion([] { minima().Get_CLABE(); })
            << "El atributo CLABE de nomina:Nomina no es un número entero: \"012180001234567897\".";
        QTest::newRow("RiesgoPuesto ausente")
            << Accion([] { minima().Get_RiesgoPuesto(); }) << "Falta el atributo RiesgoPuesto en nomina:Nomina.";
        QTest::newRow("otra raíz")
            << Accion([] { Nomina11::GetNomina(TDocumentoXML::desdeArchivo(ruta("cfdv32-nomina.xml"))); })
            << "Se esperaba el elemento Nomina de http://www.sat.gob.mx/nomina y se encontró cfdi:Comprobante de "
               "http://www.sat.gob.mx/cfd/3.";
    }

    void conversiones()
    {
        QFETCH(Accion, lee);
        QFETCH(QString, mensaje);
        try {
            lee();
            QFAIL("no se lanzó");
        } catch (const EVelkor& e) {
            QCOMPARE(e.mensaje(), mensaje);
        }
    }

    // Setters and list edits go straight to the document, in the receipt's
    // own prefix, and later views see them.
    void escritura()
    {
        Nomina11::IXMLNomina x = minima();
        x.Set_Departamento(u"Ventas"_s);
        x.Set_CLABE(123);
        x.Set_TipoRegimen(9);
        QCOMPARE(x.Get_Departamento(), u"Ventas"_s);
        QCOMPARE(x.Get_CLABE(), 123);
        QCOMPARE(x.Get_TipoRegimen(), 9);

        Nomina11::IXMLNomina_Percepciones p = x.Get_Percepciones();
        p.Set_TotalGravado(u"30.00"_s);
        p.Add().Set_Clave(u"B"_s);
        p.Add().Set_Clave(u"C"_s);
        p.Insert(0).Set_Clave(u"A"_s);
        p.Insert(3).Set_TipoPercepcion(4);
        QCOMPARE(p.Count(), 4);
        const Nomina11::IXMLNomina_Percepciones otra = x.Get_Percepciones();
        QCOMPARE(otra.Count(), 4);
        QCOMPARE(otra.Get_Percepcion(0).Get_Clave() + otra.Get_Percepcion(1).Get_Clave() +
                     otra.Get_Percepcion(2).Get_Clave(),
                 u"ABC"_s);
        QCOMPARE(otra.Get_Percepcion(3).Get_TipoPercepcion(), 4);
        QCOMPARE(otra.Get_TotalGravado(), u"30.00"_s);

        Nomina11::IXMLNomina_HorasExtras_HorasExtra h = x.Get_HorasExtras().Insert(0);
        h.Set_Dias(3);
        h.Set_HorasExtra(6);
        h.Set_TipoHoras(u"Dobles"_s);
        QCOMPARE(x.Get_HorasExtras().Get_HorasExtra(0).Get_Dias(), 3);
        QCOMPARE(x.Get_HorasExtras().Get_HorasExtra(0).Get_HorasExtra(), 6);
        Nomina11::IXMLNomina_Incapacidades_Incapacidad i = x.Get_Incapacidades().Add();
        i.Set_TipoIncapacidad(2);
        i.Set_DiasIncapacidad(u"1.5"_s);

        const QString texto = x.xml();
        QVERIFY2(texto.contains(u"<nomina:Percepciones TotalGravado=\"30.00\"><nomina:Percepcion Clave=\"A\"/>"
                                "<nomina:Percepcion Clave=\"B\"/><nomina:Percepcion Clave=\"C\"/>"
                                "<nomina:Percepcion TipoPercepcion=\"4\"/></nomina:Percepciones>"_s),
                 qPrintable(texto));
        QVERIFY2(texto.contains(u"<nomina:HorasExtras><nomina:HorasExtra Dias=\"3\" HorasExtra=\"6\" "
                                "TipoHoras=\"Dobles\"/></nomina:HorasExtras>"_s),
                 qPrintable(texto));
        // The receipt written back reads again through the binding.
        const auto releida = Nomina11::GetNomina(TDocumentoXML::desdeBytes(texto.toUtf8()));
        QCOMPARE(releida.Get_Incapacidades().Get_Incapacidad(0).Get_DiasIncapacidad(), u"1.5"_s);
        QCOMPARE(releida.Get_Incapacidades().Get_Incapacidad(0).Get_TipoIncapacidad(), 2);
    }
};

QTEST_GUILESS_MAIN(TstNomina11)
#include "tst_nomina11.moc"
