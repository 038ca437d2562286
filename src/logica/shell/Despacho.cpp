#include "Despacho.h"

#include "Constantes.h"
#include "ContratoModulos.h"
#include "Modulos.h"

using namespace ContratoModulos;

namespace Despacho {

TNombreVentana separaNombre(const QString& componente)
{
    TNombreVentana nombre;
    nombre.ventana = componente;
    const qsizetype separador = componente.indexOf(SEPARADOR_ACCION);
    if (separador >= 0) {
        nombre.ventana = componente.left(separador);
        nombre.accion = componente.mid(separador + 1);
    }
    // The module is read from the routine alone: an action must not change
    // which right guards the window (with it, "Reportes_Grafica" would name no
    // module and open for everybody).
    nombre.modulo = QString(nombre.ventana).remove(PREFIJO_VENTANA).remove(SUFIJO_CLASE);
    return nombre;
}

bool requiereSerie(const QString& modulo)
{
    return modulo.indexOf(QStringLiteral("idgeTXT")) > 0;
}

QString codigoPermiso(const QString& modulo)
{
    // The voucher windows, and the help window that feeds them, are named
    // after the window rather than after their module: they belong to
    // invoicing, whose right the help hand-over ("99") must not bypass.
    static const QList<QPair<QString, QString>> ventanasFacturacion = {
        {separaNombre(VENTANA_COMPROBANTE).modulo, Constantes::NOMBRE_FACTURACION},
        {separaNombre(VENTANA_COMPROBANTE_40).modulo, Constantes::NOMBRE_FACTURACION_40},
        {separaNombre(VENTANA_AYUDA).modulo, Constantes::NOMBRE_FACTURACION},
    };
    QString nombre = modulo;
    for (const auto& [ventana, moduloVentana] : ventanasFacturacion)
        if (modulo == ventana)
            nombre = moduloVentana;
    const QString codigo = Modulos::convierteModulo(nombre);
    // A window whose right cannot be told is refused, not opened for all: a
    // module's routine misspelt would otherwise bypass its right.
    return codigo.isEmpty() ? CODIGO_SIN_DERECHO : codigo;
}

QString letraTipoComprobante(int tipo)
{
    switch (tipo) {
    case 1:
    case 3:
    case 4:
    case 11:
    case 16:
    case 17:
        return QStringLiteral("I");
    case 2:
    case 18:
        return QStringLiteral("E");
    case 5:
    case 14:
        return QStringLiteral("T");
    case 6:
    case 13:
        return QStringLiteral("P");
    case 7:
    case 12:
        return QStringLiteral("N");
    case 8:
    case 15:
        return QStringLiteral("R");
    default:
        return QString();
    }
}

TComando interpreta(const QString& texto)
{
    TComando comando;
    if (texto == COMANDO_ACTUALIZA_SERIES) {
        comando.tipo = TTipoComando::ActualizaSeries;
    } else if (texto == COMANDO_AYUDA_COMPROBANTE) {
        comando.tipo = TTipoComando::AyudaComprobante;
    } else if (texto.startsWith(COMANDO_FILTRA_SERIES)) {
        bool numero = false;
        const int tipo = texto.mid(COMANDO_FILTRA_SERIES.size() + 1).toInt(&numero, 10);
        const QString letra = numero ? letraTipoComprobante(tipo) : QString();
        if (letra.isEmpty()) {
            comando.motivo =
                numero ? QStringLiteral("tipo de comprobante desconocido") : QStringLiteral("sin número de tipo");
        } else {
            comando.tipo = TTipoComando::FiltraSeries;
            comando.tipoComprobante = letra;
        }
    } else {
        comando.motivo = QStringLiteral("comando desconocido");
    }
    return comando;
}

} // namespace Despacho
