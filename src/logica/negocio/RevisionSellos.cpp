#include "RevisionSellos.h"

#include "Conexiones.h"
#include "Entidades.h"
#include "Errores.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "VerificacionSello.h"

namespace {

using C = TComprobante;

// Never checked: the column an older version added empty (NULL), or a text
// emptied by hand.
TCondicion pendiente(int idNegocio)
{
    const auto sello = C::columna(C::col_Verificacionsello);
    return C::columna(C::col_Negocio) == idNegocio && (sello.esNulo() || sello == QString());
}

} // namespace

namespace RevisionSellos {

int pendientes(const TConexionSesion& conexion, int idNegocio)
{
    return C::cuenta(pendiente(idNegocio), conexion);
}

TLote revisa(const TConexionSesion& conexion, int idNegocio, int usuario, int cuantos)
{
    TLote lote;
    TTransaccion transaccion(conexion);
    const TUnidadTrabajo trabajo(conexion, usuario);
    for (C comprobante : C::primeros(cuantos, pendiente(idNegocio), conexion)) {
        const VerificacionSello::TResultado r = VerificacionSello::verifica(comprobante.getComprobantexml());
        comprobante.setVerificacionsello(VerificacionSello::texto(r.estado));
        comprobante.setMotivoverificacion(r.motivo);
        trabajo.guarda(comprobante);
        ++lote.revisados;
        lote.alterados += r.estado == VerificacionSello::TEstado::Alterado ? 1 : 0;
        lote.certificadoNoCorresponde += r.estado == VerificacionSello::TEstado::CertificadoNoCorresponde ? 1 : 0;
    }
    transaccion.commit();
    return lote;
}

} // namespace RevisionSellos

THiloRevisionSellos::THiloRevisionSellos(const TConexionSesion& conexion, int idNegocio, int usuario, QObject* parent)
    : THiloLectura(parent), m_conexion(conexion), m_idNegocio(idNegocio), m_usuario(usuario)
{
}

THiloRevisionSellos::~THiloRevisionSellos()
{
    requestInterruption();
    wait();
}

void THiloRevisionSellos::run()
{
    try {
        const int total = RevisionSellos::pendientes(m_conexion, m_idNegocio);
        while (m_hechos < total && !isInterruptionRequested()) {
            const RevisionSellos::TLote lote = RevisionSellos::revisa(m_conexion, m_idNegocio, m_usuario, POR_LOTE);
            if (lote.revisados == 0)
                break; // another workstation checked the rest
            m_hechos += lote.revisados;
            m_alterados += lote.alterados;
            m_certificadoNoCorresponde += lote.certificadoNoCorresponde;
            emit avance(m_hechos, total, m_alterados, m_certificadoNoCorresponde);
        }
    } catch (const std::exception& e) {
        m_error = Errores::describe(e);
        Logmanager::Log(QStringLiteral("No se terminó la verificación de sellos: ") + m_error, 1, Sistema::exePath);
    }
    Conexiones::cierraHilo();
}
