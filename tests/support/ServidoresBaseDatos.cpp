#include "ServidoresBaseDatos.h"

TServidorBaseDatos::TServidorBaseDatos(Tipo tipo) : m_tipo(tipo) {}
TServidorBaseDatos::~TServidorBaseDatos() = default;
QString TServidorBaseDatos::faltante(Tipo) { return QStringLiteral("sin hacer"); }
bool TServidorBaseDatos::inicia() { return false; }
void TServidorBaseDatos::detiene() {}
void TServidorBaseDatos::mata() {}
bool TServidorBaseDatos::activo() const { return false; }
QString TServidorBaseDatos::usuario() const { return {}; }
QString TServidorBaseDatos::password() const { return {}; }
QString TServidorBaseDatos::creaBaseDatos(const QString&) { return {}; }
bool TServidorBaseDatos::creaUsuario(const QString&, const QString&, const QString&, const QString&) { return false; }
bool TServidorBaseDatos::ejecuta(const QString&, const QString&) { return false; }
TConexionSesion TServidorBaseDatos::conexion(const QString& baseDatos) const
{
    return TConexionSesion::servidor(motor(), usuario(), password(), host(), QString::number(m_puerto), baseDatos);
}
TConexionSesion TServidorBaseDatos::conexion(const QString& baseDatos, const QString& u, const QString& p) const
{
    return TConexionSesion::servidor(motor(), u, p, host(), QString::number(m_puerto), baseDatos);
}
QString TServidorBaseDatos::carpeta() const { return {}; }
