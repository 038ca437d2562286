#pragma once
#include "ComunesExport.h"

#include <QMetaType>
#include <QString>

#include <compare>

// An exact amount or quantity: a signed 64-bit count of millionths, the six
// decimals the database columns keep (NUMERIC(18,6)). CFDI files write their
// amounts as decimal text and users expect every stored peso as the file
// says, so amounts never pass through binary floating point, which cannot
// hold 0.10 or 999999999999.999999 exactly.
//
// The range is that of the columns: 18 digits, six of them decimals
// (±999999999999.999999). Text out of range, with more than six significant
// decimals or not a decimal number at all is refused with an EConversion that
// names the value; nothing is ever rounded silently.
class COMUNES_EXPORT TDecimal {
public:
    static constexpr int DECIMALES = 6;
    static constexpr qint64 ESCALA = 1'000'000;
    static constexpr qint64 MAXIMO = 999'999'999'999'999'999; // in millionths

    constexpr TDecimal() = default;

    // Text as CFDI files and the database write it: an optional sign, digits,
    // an optional point and up to six decimals ("1234567890.123456", "0.10",
    // "-0.000001", "+5", "007.5", ".5"); surrounding blanks are ignored.
    // Decimals beyond the sixth are accepted only when they are zeros.
    static TDecimal desdeTexto(const QString& texto);
    // The same, answering false instead of raising.
    static bool intenta(const QString& texto, TDecimal& resultado);
    static TDecimal desdeMillonesimos(qint64 millonesimos);
    static TDecimal desdeEntero(qint64 entero);

    qint64 millonesimos() const { return m_millonesimos; }
    bool esCero() const { return m_millonesimos == 0; }

    // The shortest text that keeps the value: "0.1", "5", "-0.000001".
    QString texto() const;
    // With at least `minimo` decimals and no more than the value needs beyond
    // them: texto(2) gives "0.10", "5.00", "1.234567".
    QString texto(int minimo) const;

    // Sums and differences are exact; a result beyond the range raises
    // EConversion instead of wrapping around.
    TDecimal operator+(const TDecimal& otro) const;
    TDecimal operator-(const TDecimal& otro) const;
    TDecimal operator-() const;
    TDecimal& operator+=(const TDecimal& otro) { return *this = *this + otro; }
    TDecimal& operator-=(const TDecimal& otro) { return *this = *this - otro; }

    friend constexpr bool operator==(const TDecimal&, const TDecimal&) = default;
    friend constexpr std::strong_ordering operator<=>(const TDecimal&, const TDecimal&) = default;

private:
    constexpr explicit TDecimal(qint64 millonesimos) : m_millonesimos(millonesimos) {}
    qint64 m_millonesimos = 0;
};

Q_DECLARE_METATYPE(TDecimal)
