#include "TDecimal.h"

#include "Errores.h"

namespace {

EConversion fueraDeRango(const QString& que)
{
    return EConversion(QStringLiteral("La cantidad %1 está fuera del rango que se puede guardar "
                                      "(hasta 999999999999.999999).")
                           .arg(que));
}

enum class TFallo { Ninguno, NoEsCantidad, FueraDeRango, Decimales };

TFallo analiza(const QString& original, qint64& resultado)
{
    const QString texto = original.trimmed();
    qsizetype i = 0;
    bool negativo = false;
    if (i < texto.size() && (texto.at(i) == QLatin1Char('-') || texto.at(i) == QLatin1Char('+'))) {
        negativo = texto.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 entero = 0;
    qint64 fraccion = 0;
    int digitosEnteros = 0;
    int decimales = 0;
    bool punto = false;
    bool hayDigito = false;
    for (; i < texto.size(); ++i) {
        const QChar c = texto.at(i);
        if (c == QLatin1Char('.') && !punto) {
            punto = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return TFallo::NoEsCantidad;
        hayDigito = true;
        const int d = c.digitValue();
        if (!punto) {
            // Leading zeros ("007.5") do not count against the range.
            if (digitosEnteros > 0 || d != 0)
                ++digitosEnteros;
            if (digitosEnteros > 12)
                return TFallo::FueraDeRango;
            entero = entero * 10 + d;
        } else if (decimales < TDecimal::DECIMALES) {
            fraccion = fraccion * 10 + d;
            ++decimales;
        } else if (d != 0) {
            return TFallo::Decimales;
        }
    }
    if (!hayDigito)
        return TFallo::NoEsCantidad;
    for (; decimales < TDecimal::DECIMALES; ++decimales)
        fraccion *= 10;
    const qint64 valor = entero * TDecimal::ESCALA + fraccion;
    resultado = negativo ? -valor : valor;
    return TFallo::Ninguno;
}

} // namespace

TDecimal TDecimal::desdeTexto(const QString& texto)
{
    qint64 valor = 0;
    switch (analiza(texto, valor)) {
    case TFallo::Ninguno:
        return TDecimal(valor);
    case TFallo::FueraDeRango:
        throw fueraDeRango(QLatin1Char('"') + texto + QLatin1Char('"'));
    case TFallo::Decimales:
        throw EConversion(QStringLiteral("La cantidad \"%1\" tiene más de seis decimales; no se redondea.").arg(texto));
    case TFallo::NoEsCantidad:
        break;
    }
    throw EConversion(QStringLiteral("\"%1\" no es una cantidad: se esperaba un número con punto decimal y hasta "
                                     "seis decimales.")
                          .arg(texto));
}

bool TDecimal::intenta(const QString& texto, TDecimal& resultado)
{
    qint64 valor = 0;
    if (analiza(texto, valor) != TFallo::Ninguno)
        return false;
    resultado = TDecimal(valor);
    return true;
}

TDecimal TDecimal::desdeMillonesimos(qint64 millonesimos)
{
    if (millonesimos > MAXIMO || millonesimos < -MAXIMO)
        throw fueraDeRango(QString::number(millonesimos) + QStringLiteral(" millonésimos"));
    return TDecimal(millonesimos);
}

TDecimal TDecimal::desdeEntero(qint64 entero)
{
    if (entero > MAXIMO / ESCALA || entero < -(MAXIMO / ESCALA))
        throw fueraDeRango(QString::number(entero));
    return TDecimal(entero * ESCALA);
}

QString TDecimal::texto() const
{
    return texto(0);
}

QString TDecimal::texto(int minimo) const
{
    const bool negativo = m_millonesimos < 0;
    const quint64 absoluto = negativo ? quint64(-m_millonesimos) : quint64(m_millonesimos);
    QString resultado = QString::number(absoluto / ESCALA);
    QString fraccion = QStringLiteral("%1").arg(absoluto % ESCALA, DECIMALES, 10, QLatin1Char('0'));
    const qsizetype conservar = qMax<qsizetype>(qBound(0, minimo, DECIMALES), [&] {
        qsizetype n = fraccion.size();
        while (n > 0 && fraccion.at(n - 1) == QLatin1Char('0'))
            --n;
        return n;
    }());
    if (conservar > 0)
        resultado += QLatin1Char('.') + fraccion.left(conservar);
    return negativo ? QLatin1Char('-') + resultado : resultado;
}

TDecimal TDecimal::operator+(const TDecimal& otro) const
{
    // Both operands are within ±MAXIMO, far from the 64-bit limits, so the
    // sum itself cannot overflow; only the column's range can be exceeded.
    const qint64 suma = m_millonesimos + otro.m_millonesimos;
    if (suma > MAXIMO || suma < -MAXIMO)
        throw fueraDeRango(texto() + QStringLiteral(" + ") + otro.texto());
    return TDecimal(suma);
}

TDecimal TDecimal::operator-(const TDecimal& otro) const
{
    return *this + (-otro);
}

TDecimal TDecimal::operator-() const
{
    return TDecimal(-m_millonesimos);
}
