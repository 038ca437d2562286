#pragma once
#include "TConexionSesion.h"
#include "THiloLectura.h"

// The seal check of the vouchers a business stored before their seals were
// checked on import: each is checked from its stored XML and keeps its result
// (Verificacionsello, Motivoverificacion), so the next pass and the reports
// see it. A voucher whose check cannot be stored stays pending and is tried
// again at the next sign-in.
namespace RevisionSellos {

// How many of the business's vouchers have never been checked.
int pendientes(const TConexionSesion& conexion, int idNegocio);

struct TLote {
    int revisados = 0;
    int alterados = 0;
    int certificadoNoCorresponde = 0;
};
// Checks up to `cuantos` of them, oldest first, and stores their results in
// one transaction on the calling thread's connection. Raises EBaseDatos.
TLote revisa(const TConexionSesion& conexion, int idNegocio, int usuario, int cuantos);

} // namespace RevisionSellos

// The check of a business's pending vouchers on a thread of its own, begun at
// sign-in: the window stays free and shows the progress it reports.
// requestInterruption() stops it after the batch in hand, which is kept.
class THiloRevisionSellos : public THiloLectura {
    Q_OBJECT
public:
    static constexpr int POR_LOTE = 50;

    THiloRevisionSellos(const TConexionSesion& conexion, int idNegocio, int usuario, QObject* parent = nullptr);

    ~THiloRevisionSellos() override;

    // Once finished: how many it checked, how many of them are altered or
    // carry a certificate that is not theirs, and why it stopped before the
    // end (or empty).
    int hechos() const { return m_hechos; }
    int alterados() const { return m_alterados; }
    int certificadoNoCorresponde() const { return m_certificadoNoCorresponde; }
    QString error() const { return m_error; }

signals:
    // Checked so far, of `total` pending at the start; `alterados` and
    // `certificadoNoCorresponde` among them.
    void avance(int hechos, int total, int alterados, int certificadoNoCorresponde);

protected:
    void run() override;

private:
    TConexionSesion m_conexion;
    int m_idNegocio;
    int m_usuario;
    int m_hechos = 0;
    int m_alterados = 0;
    int m_certificadoNoCorresponde = 0;
    QString m_error;
};
