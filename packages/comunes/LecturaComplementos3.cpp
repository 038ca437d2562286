#include "ModeloImpresion.h"

#include "Cfdi.h"
#include "DocumentoXML.h"
#include "Nomina12.h"

#include <initializer_list>
#include <tuple>
#include <utility>

// The payroll receipt, read from its binding (1.2) or from the plain element
// views (1.1): the employer, the employee and what was paid and withheld.
namespace ImpresionComprobante {

namespace {

// A key of the SAT's payroll catalogues with its name ("01 Dobles"); a key
// not listed prints as written.
QString conNombre(const QString& clave, std::initializer_list<std::pair<const char*, QString>> nombres)
{
    for (const auto& [codigo, nombre] : nombres)
        if (clave.trimmed() == QLatin1StringView(codigo))
            return clave.trimmed() + QLatin1Char(' ') + nombre;
    return clave.trimmed();
}

// The severance or the retirement paid in the receipt: one row of the
// amounts the employee's annual tax return takes from it.
TTabla tablaDeMontos(const QString& titulo, const QList<std::pair<QString, QString>>& montos)
{
    QList<std::tuple<QString, qreal, bool>> columnas;
    QStringList valores;
    for (const auto& [etiqueta, valor] : montos) {
        columnas.append({etiqueta, 1.0 / montos.size(), true});
        valores << valor;
    }
    TTabla t = tabla(titulo, columnas);
    t.filas.append({valores, {}});
    return t;
}

// A payroll receipt's deductions and other payments: type, key, concept and
// amount each.
TTabla tablaDeConceptos(const QString& titulo)
{
    TTabla t;
    t.titulo = titulo;
    t.columnas = {QStringLiteral("Tipo"), QStringLiteral("Clave"), QStringLiteral("Concepto"),
                  QStringLiteral("Importe")};
    t.anchos = {0.10, 0.12, 0.63, 0.15};
    t.derecha = {false, false, false, true};
    return t;
}

void leeNomina12(TModelo& m, const TNodoXML& raiz)
{
    for (const Nomina12::IXMLNomina& n : Nomina12::deComprobante(raiz)) {
        TSeccion s;
        s.titulo = QStringLiteral("Recibo de nómina");
        const auto e = n.Get_Emisor();
        const auto r = n.Get_Receptor();
        agrega(s.pares, QStringLiteral("Tipo de nómina"), n.Get_TipoNomina());
        agrega(s.pares, QStringLiteral("Fecha de pago"), n.Get_FechaPago());
        agrega(s.pares, QStringLiteral("Periodo"),
               une({n.Get_FechaInicialPago(), n.Get_FechaFinalPago()}, QStringLiteral(" al ")));
        agrega(s.pares, QStringLiteral("Días pagados"), n.Get_NumDiasPagados());
        agrega(s.pares, QStringLiteral("Registro patronal"), e.Get_RegistroPatronal());
        agrega(s.pares, QStringLiteral("CURP del patrón"), e.Get_Curp());
        agrega(s.pares, QStringLiteral("RFC del patrón de origen"), e.Get_RfcPatronOrigen());
        // Federal bodies say whose money pays the payroll, and how much of
        // it is their own when mixed.
        const auto sncf = e.Get_EntidadSNCF();
        agrega(s.pares, QStringLiteral("Origen del recurso"),
               conNombre(sncf.Get_OrigenRecurso(), {{"IP", QStringLiteral("Ingresos propios")},
                                                    {"IF", QStringLiteral("Ingresos federales")},
                                                    {"IM", QStringLiteral("Ingresos mixtos")}}));
        agrega(s.pares, QStringLiteral("Monto del recurso propio"), importe(sncf.Get_MontoRecursoPropio()));
        agrega(s.pares, QStringLiteral("No. de empleado"), r.Get_NumEmpleado());
        agrega(s.pares, QStringLiteral("CURP"), r.Get_Curp());
        agrega(s.pares, QStringLiteral("No. de seguridad social"), r.Get_NumSeguridadSocial());
        agrega(s.pares, QStringLiteral("Departamento"), r.Get_Departamento());
        agrega(s.pares, QStringLiteral("Puesto"), r.Get_Puesto());
        agrega(s.pares, QStringLiteral("Inicio de la relación laboral"), r.Get_FechaInicioRelLaboral());
        agrega(s.pares, QStringLiteral("Antigüedad"), r.Get_Antiguedad());
        agrega(s.pares, QStringLiteral("Tipo de contrato"), r.Get_TipoContrato());
        agrega(s.pares, QStringLiteral("Sindicalizado"), r.Get_Sindicalizado());
        agrega(s.pares, QStringLiteral("Tipo de jornada"), r.Get_TipoJornada());
        agrega(s.pares, QStringLiteral("Tipo de régimen"), r.Get_TipoRegimen());
        agrega(s.pares, QStringLiteral("Riesgo del puesto"), r.Get_RiesgoPuesto());
        agrega(s.pares, QStringLiteral("Periodicidad del pago"), r.Get_PeriodicidadPago());
        agrega(s.pares, QStringLiteral("Banco"), r.Get_Banco());
        agrega(s.pares, QStringLiteral("Cuenta bancaria"), r.Get_CuentaBancaria());
        agrega(s.pares, QStringLiteral("Salario base de cotización"), importe(r.Get_SalarioBaseCotApor()));
        agrega(s.pares, QStringLiteral("Salario diario integrado"), importe(r.Get_SalarioDiarioIntegrado()));
        agrega(s.pares, QStringLiteral("Entidad federativa"), r.Get_ClaveEntFed());
        const auto sub = r.Get_SubContratacion();
        for (int i = 0; i < sub.Count(); ++i)
            agrega(s.pares, QStringLiteral("Subcontratación"),
                   une({sub.Get_SubContratacion(i).Get_RfcLabora(),
                        sub.Get_SubContratacion(i).Get_PorcentajeTiempo() + QStringLiteral(" %")},
                       QStringLiteral(" ")));

        const auto p = n.Get_Percepciones();
        if (p.existe()) {
            TTabla t;
            t.titulo = QStringLiteral("Percepciones");
            t.columnas = {QStringLiteral("Tipo"), QStringLiteral("Clave"), QStringLiteral("Concepto"),
                          QStringLiteral("Gravado"), QStringLiteral("Exento")};
            t.anchos = {0.10, 0.12, 0.48, 0.15, 0.15};
            t.derecha = {false, false, false, true, true};
            for (int i = 0; i < p.Count(); ++i) {
                const auto x = p.Get_Percepcion(i);
                QStringList detalle;
                const auto acciones = x.Get_AccionesOTitulos();
                if (acciones.existe())
                    detalle << une({conEtiqueta(QStringLiteral("Acciones o títulos: valor de mercado"),
                                                importe(acciones.Get_ValorMercado())),
                                    conEtiqueta(QStringLiteral("precio al otorgarse"),
                                                importe(acciones.Get_PrecioAlOtorgarse()))});
                const auto he = x.Get_HorasExtra();
                for (int h = 0; h < he.Count(); ++h) {
                    const auto horas = he.Get_HorasExtra(h);
                    // The key alone ("01") would read as a count of hours.
                    detalle << une({QStringLiteral("Horas extra: %1 días, %2 horas")
                                        .arg(horas.atributo("Dias"), horas.atributo("HorasExtra")),
                                    conEtiqueta(QStringLiteral("tipo de horas:"),
                                                conNombre(horas.Get_TipoHoras(), {{"01", QStringLiteral("Dobles")},
                                                                                  {"02", QStringLiteral("Triples")},
                                                                                  {"03", QStringLiteral("Simples")}})),
                                    conEtiqueta(QStringLiteral("pagado"), importe(horas.Get_ImportePagado()))});
                }
                t.filas.append({{x.Get_TipoPercepcion(), x.Get_Clave(), x.Get_Concepto(),
                                 importe(x.Get_ImporteGravado()), importe(x.Get_ImporteExento())},
                                detalle.join(QStringLiteral("; "))});
            }
            agrega(t.pie, QStringLiteral("Total sueldos"), importe(p.Get_TotalSueldos()));
            agrega(t.pie, QStringLiteral("Total separación o indemnización"),
                   importe(p.Get_TotalSeparacionIndemnizacion()));
            agrega(t.pie, QStringLiteral("Total jubilación, pensión o retiro"),
                   importe(p.Get_TotalJubilacionPensionRetiro()));
            agrega(t.pie, QStringLiteral("Total gravado"), importe(p.Get_TotalGravado()));
            agrega(t.pie, QStringLiteral("Total exento"), importe(p.Get_TotalExento()));
            s.tablas.append(t);
            const auto jubilacion = p.Get_JubilacionPensionRetiro();
            if (jubilacion.existe())
                s.tablas.append(tablaDeMontos(
                    QStringLiteral("Jubilación, pensión o retiro"),
                    {{QStringLiteral("Total en una exhibición"), importe(jubilacion.Get_TotalUnaExhibicion())},
                     {QStringLiteral("Total en parcialidades"), importe(jubilacion.Get_TotalParcialidad())},
                     {QStringLiteral("Monto diario"), importe(jubilacion.Get_MontoDiario())},
                     {QStringLiteral("Ingreso acumulable"), importe(jubilacion.Get_IngresoAcumulable())},
                     {QStringLiteral("Ingreso no acumulable"), importe(jubilacion.Get_IngresoNoAcumulable())}}));
            const auto separacion = p.Get_SeparacionIndemnizacion();
            if (separacion.existe())
                s.tablas.append(tablaDeMontos(
                    QStringLiteral("Separación o indemnización"),
                    {{QStringLiteral("Total pagado"), importe(separacion.Get_TotalPagado())},
                     {QStringLiteral("Años de servicio"), separacion.atributo("NumAñosServicio")},
                     {QStringLiteral("Último sueldo mensual ordinario"), importe(separacion.Get_UltimoSueldoMensOrd())},
                     {QStringLiteral("Ingreso acumulable"), importe(separacion.Get_IngresoAcumulable())},
                     {QStringLiteral("Ingreso no acumulable"), importe(separacion.Get_IngresoNoAcumulable())}}));
        }
        const auto d = n.Get_Deducciones();
        if (d.existe()) {
            TTabla t = tablaDeConceptos(QStringLiteral("Deducciones"));
            for (int i = 0; i < d.Count(); ++i) {
                const auto x = d.Get_Deduccion(i);
                t.filas.append(
                    {{x.Get_TipoDeduccion(), x.Get_Clave(), x.Get_Concepto(), importe(x.Get_Importe())}, {}});
            }
            agrega(t.pie, QStringLiteral("Total otras deducciones"), importe(d.Get_TotalOtrasDeducciones()));
            agrega(t.pie, QStringLiteral("Total impuestos retenidos"), importe(d.Get_TotalImpuestosRetenidos()));
            s.tablas.append(t);
        }
        const auto o = n.Get_OtrosPagos();
        if (o.existe()) {
            TTabla t = tablaDeConceptos(QStringLiteral("Otros pagos"));
            for (int i = 0; i < o.Count(); ++i) {
                const auto x = o.Get_OtroPago(i);
                QStringList detalle;
                if (x.Get_SubsidioAlEmpleo().existe())
                    detalle << QStringLiteral("Subsidio causado ") +
                                   importe(x.Get_SubsidioAlEmpleo().Get_SubsidioCausado());
                const auto c = x.Get_CompensacionSaldosAFavor();
                if (c.existe())
                    detalle << QStringLiteral("Compensación de saldo a favor %1 del año %2, remanente %3")
                                   .arg(importe(c.Get_SaldoAFavor()), c.atributo("Año"),
                                        importe(c.Get_RemanenteSalFav()));
                t.filas.append({{x.Get_TipoOtroPago(), x.Get_Clave(), x.Get_Concepto(), importe(x.Get_Importe())},
                                detalle.join(QStringLiteral("; "))});
            }
            s.tablas.append(t);
        }
        const auto inc = n.Get_Incapacidades();
        if (inc.existe()) {
            TTabla t;
            t.titulo = QStringLiteral("Incapacidades");
            t.columnas = {QStringLiteral("Días"), QStringLiteral("Tipo"), QStringLiteral("Importe")};
            t.anchos = {0.2, 0.5, 0.3};
            t.derecha = {true, false, true};
            for (int i = 0; i < inc.Count(); ++i) {
                const auto x = inc.Get_Incapacidad(i);
                t.filas.append(
                    {{x.atributo("DiasIncapacidad"), x.Get_TipoIncapacidad(), importe(x.Get_ImporteMonetario())}, {}});
            }
            s.tablas.append(t);
        }
        TTabla totales;
        agrega(totales.pie, QStringLiteral("Total percepciones"), importe(n.Get_TotalPercepciones()));
        agrega(totales.pie, QStringLiteral("Total deducciones"), importe(n.Get_TotalDeducciones()));
        agrega(totales.pie, QStringLiteral("Total otros pagos"), importe(n.Get_TotalOtrosPagos()));
        if (!totales.pie.isEmpty())
            s.tablas.append(totales);
        m.complementos.append(s);
    }
}

// Payroll 1.1 (vouchers 3.2) has no binding of its own: its attributes are
// read from the plain element views.
void leeNomina11(TModelo& m, const TNodoXML& raiz)
{
    static constexpr char ESPACIO[] = "http://www.sat.gob.mx/nomina";
    for (const TNodoXML& n : Cfdi::complementos(raiz, ESPACIO, "Nomina")) {
        TSeccion s;
        s.titulo = QStringLiteral("Recibo de nómina");
        agrega(s.pares, QStringLiteral("Fecha de pago"), n.atributo("FechaPago"));
        agrega(s.pares, QStringLiteral("Periodo"),
               une({n.atributo("FechaInicialPago"), n.atributo("FechaFinalPago")}, QStringLiteral(" al ")));
        agrega(s.pares, QStringLiteral("Días pagados"), n.atributo("NumDiasPagados"));
        agrega(s.pares, QStringLiteral("Registro patronal"), n.atributo("RegistroPatronal"));
        agrega(s.pares, QStringLiteral("No. de empleado"), n.atributo("NumEmpleado"));
        agrega(s.pares, QStringLiteral("CURP"), n.atributo("CURP"));
        agrega(s.pares, QStringLiteral("No. de seguridad social"), n.atributo("NumSeguridadSocial"));
        agrega(s.pares, QStringLiteral("Departamento"), n.atributo("Departamento"));
        agrega(s.pares, QStringLiteral("Puesto"), n.atributo("Puesto"));
        agrega(s.pares, QStringLiteral("Inicio de la relación laboral"), n.atributo("FechaInicioRelLaboral"));
        agrega(s.pares, QStringLiteral("Antigüedad"), n.atributo("Antiguedad"));
        agrega(s.pares, QStringLiteral("Tipo de contrato"), n.atributo("TipoContrato"));
        agrega(s.pares, QStringLiteral("Tipo de jornada"), n.atributo("TipoJornada"));
        agrega(s.pares, QStringLiteral("Tipo de régimen"), n.atributo("TipoRegimen"));
        agrega(s.pares, QStringLiteral("Riesgo del puesto"), n.atributo("RiesgoPuesto"));
        agrega(s.pares, QStringLiteral("Periodicidad del pago"), n.atributo("PeriodicidadPago"));
        agrega(s.pares, QStringLiteral("Banco"), n.atributo("Banco"));
        agrega(s.pares, QStringLiteral("CLABE"), n.atributo("CLABE"));
        agrega(s.pares, QStringLiteral("Salario base de cotización"), importe(n.atributo("SalarioBaseCotApor")));
        agrega(s.pares, QStringLiteral("Salario diario integrado"), importe(n.atributo("SalarioDiarioIntegrado")));
        for (const char* lista : {"Percepciones", "Deducciones"}) {
            const TNodoXML l = n.hijoPropio(lista);
            if (!l.existe())
                continue;
            const bool percepcion = qstrcmp(lista, "Percepciones") == 0;
            TTabla t;
            t.titulo = percepcion ? QStringLiteral("Percepciones") : QStringLiteral("Deducciones");
            t.columnas = {QStringLiteral("Tipo"), QStringLiteral("Clave"), QStringLiteral("Concepto"),
                          QStringLiteral("Gravado"), QStringLiteral("Exento")};
            t.anchos = {0.10, 0.12, 0.48, 0.15, 0.15};
            t.derecha = {false, false, false, true, true};
            for (const TNodoXML& x : l.hijosPropios(percepcion ? "Percepcion" : "Deduccion"))
                t.filas.append({{x.atributo(percepcion ? "TipoPercepcion" : "TipoDeduccion"), x.atributo("Clave"),
                                 x.atributo("Concepto"), importe(x.atributo("ImporteGravado")),
                                 importe(x.atributo("ImporteExento"))},
                                {}});
            agrega(t.pie, QStringLiteral("Total gravado"), importe(l.atributo("TotalGravado")));
            agrega(t.pie, QStringLiteral("Total exento"), importe(l.atributo("TotalExento")));
            s.tablas.append(t);
        }
        const TNodoXML inc = n.hijoPropio("Incapacidades");
        if (inc.existe()) {
            TTabla t;
            t.titulo = QStringLiteral("Incapacidades");
            t.columnas = {QStringLiteral("Días"), QStringLiteral("Tipo"), QStringLiteral("Descuento")};
            t.anchos = {0.2, 0.5, 0.3};
            t.derecha = {true, false, true};
            for (const TNodoXML& x : inc.hijosPropios("Incapacidad"))
                t.filas.append(
                    {{x.atributo("DiasIncapacidad"), x.atributo("TipoIncapacidad"), importe(x.atributo("Descuento"))},
                     {}});
            s.tablas.append(t);
        }
        m.complementos.append(s);
    }
}

} // namespace

void leeNomina(TModelo& m, const TNodoXML& raiz)
{
    leeNomina12(m, raiz);
    leeNomina11(m, raiz);
}

} // namespace ImpresionComprobante
