#include "TPerfilFrm.h"

#include "Entidades.h"
#include "Sistema.h"
#include "TPaginaDatos.h"
#include "Ventanas.h"

#include <QVBoxLayout>

TPerfilFrm::TPerfilFrm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PerfilFrm"));
    setWindowTitle(QStringLiteral("Perfil"));
    auto* diseno = new QVBoxLayout(this);
    m_datos = new TPaginaDatos(QStringLiteral("Mi perfil"),
                               {{QStringLiteral("TxEmailPerfil"), QStringLiteral("Correo electrónico:")},
                                {QStringLiteral("TxNombrePerfil"), QStringLiteral("Nombre:")}},
                               this);
    TxFondo = m_datos;
    TxFondo->setObjectName(QStringLiteral("TxFondo"));
    diseno->addWidget(TxFondo);
}

void TPerfilFrm::inicializa()
{
    const std::shared_ptr<TUsuario> usuario = Sistema::Usuario;
    const std::shared_ptr<TPersona> persona = usuario ? usuario->getIdpersona() : nullptr;
    m_datos->fijaValor(QStringLiteral("TxEmailPerfil"), usuario ? usuario->getEmail() : QString());
    m_datos->fijaValor(
        QStringLiteral("TxNombrePerfil"),
        persona ? QStringList{persona->getNombre(), persona->getApellidopaterno(), persona->getApellidomaterno()}
                      .join(QLatin1Char(' '))
                      .simplified()
                : QString());
}

int TPerfilFrm::getHeight() const
{
    return TxFondo->sizeHint().height();
}
