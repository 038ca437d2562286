#include "TElementoMenuModulo.h"

TElementoMenuModulo::TElementoMenuModulo(const QString& nombreMenu, const QString& nombreComponente,
                                         const QString& ventana, const QString& clase, const QString& imagen, int tipo)
    : m_nombreMenu(nombreMenu), m_nombreComponente(nombreComponente), m_ventana(ventana), m_clase(clase),
      m_imagen(imagen), m_tipo(tipo)
{
}
