#include "TPerfil.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "negocio/Credenciales.h"
#include "Entidades.h"
#include "Errores.h"
#include "RevisionImagen.h"
#include "negocio/Utils.h"

using namespace Constantes;

namespace Perfil {

namespace {

constexpr int ACTIVO = 0;
constexpr int INACTIVO = 1;

QList<TTelefono> telefonosDe(int idContacto, const TConexionSesion& conexion)
{
    return TTelefono::busca(TTelefono::columna(TTelefono::col_Idcontacto) == idContacto &&
                                TTelefono::columna(TTelefono::col_Status) == ACTIVO,
                            conexion, TTelefono::columna(TTelefono::col_Idtelefono).ascendente());
}

QList<TEmail> emailsDe(int idContacto, const TConexionSesion& conexion)
{
    return TEmail::busca(TEmail::columna(TEmail::col_Idcontacto) == idContacto &&
                             TEmail::columna(TEmail::col_Status) == ACTIVO,
                         conexion, TEmail::columna(TEmail::col_Idemail).ascendente());
}

std::unique_ptr<TImagen> imagenDe(int idPersona, const TConexionSesion& conexion)
{
    return TImagen::buscaUno(TImagen::columna(TImagen::col_Idpersona) == idPersona, conexion,
                             TImagen::columna(TImagen::col_Idimagen).descendente());
}

// The stored rows take the new values in order; extra values get rows of
// their own and rows left over are marked inactive, so the contact keeps
// exactly the list.
template <class T, class V, class F>
void igualaLista(QList<T> guardados, const QList<V>& valores, const TContacto& contacto, const TUnidadTrabajo& unidad,
                 F fija)
{
    for (int i = 0; i < valores.size(); ++i) {
        T fila = i < guardados.size() ? guardados.at(i) : T();
        fija(fila, valores.at(i));
        fila.setIdcontacto(contacto);
        fila.setStatus(ACTIVO);
        T::saveOrUpdate(fila, unidad);
    }
    for (qsizetype i = valores.size(); i < guardados.size(); ++i) {
        T fila = guardados.at(i);
        fila.setStatus(INACTIVO);
        T::saveOrUpdate(fila, unidad);
    }
}

} // namespace

TDatos lee(const TUsuario& usuario, const TConexionSesion& conexion)
{
    TDatos datos;
    const std::shared_ptr<TPersona> persona = usuario.getIdpersona();
    if (!persona)
        return datos;
    datos.nombre = persona->getNombre();
    datos.apellidoPaterno = persona->getApellidopaterno();
    datos.apellidoMaterno = persona->getApellidomaterno();
    const int idContacto = persona->getContactoId();
    if (idContacto >= 0) {
        for (const TTelefono& t : telefonosDe(idContacto, conexion))
            datos.telefonos.append({t.getTipotelefono(), t.getNumero(), t.getExtencion()});
        for (const TEmail& e : emailsDe(idContacto, conexion))
            datos.emails.append(e.getEmail());
    }
    if (const std::unique_ptr<TImagen> imagen = imagenDe(persona->getIdpersona(), conexion))
        datos.imagen = imagen->getImagenperfil();
    return datos;
}

TPassword evaluaPassword(const TUsuario& usuario, const TDatos& datos, const TConexionSesion& conexion)
{
    if (datos.passwordAnterior.isEmpty() && datos.passwordNueva.isEmpty() && datos.passwordRepetida.isEmpty())
        return TPassword::SinCambio;
    const QString nueva = datos.passwordNueva.trimmed();
    if (nueva == datos.passwordAnterior.trimmed())
        return TPassword::IgualAnterior;
    if (nueva != datos.passwordRepetida.trimmed())
        return TPassword::NoCoinciden;
    // Compared with the stored row, not with the session's copy of it.
    const std::unique_ptr<TUsuario> guardado = TUsuario::getById(usuario.getIdusuario(), conexion);
    if (!guardado || !Credenciales::esSuPassword(*guardado, datos.passwordAnterior))
        return TPassword::AnteriorIncorrecta;
    return TPassword::Cambiada;
}

QString mensajePassword(TPassword resultado)
{
    switch (resultado) {
    case TPassword::IgualAnterior:
        return ERR_CONTRASENA_NUEVA;
    case TPassword::NoCoinciden:
        return ERR_CONTRASENA;
    case TPassword::AnteriorIncorrecta:
        return ERR_CONTRASEÑA_INCORRECTA;
    case TPassword::SinCambio:
    case TPassword::Cambiada:
        break;
    }
    return {};
}

TResultado guarda(const TDatos& datos, TUsuario& usuario, const TConexionSesion& conexion)
{
    TResultado resultado;
    QByteArray imagen;
    if (!datos.rutaImagen.isEmpty()) {
        resultado.error = RevisionImagen::lee(datos.rutaImagen, imagen);
        if (!resultado.error.isEmpty())
            return resultado;
    }
    QStringList emails;
    for (const QString& email : datos.emails) {
        if (email.trimmed().isEmpty())
            continue;
        if (!Utils::validaMail(email)) {
            resultado.error = ERR_CORREO_PERFIL_NO_VALIDO + email.trimmed();
            return resultado;
        }
        emails.append(email.trimmed());
    }
    QList<TDatosTelefono> telefonos;
    for (const TDatosTelefono& t : datos.telefonos)
        if (!t.numero.trimmed().isEmpty())
            telefonos.append({t.tipo, t.numero.trimmed(), t.extension.trimmed()});

    resultado.password = evaluaPassword(usuario, datos, conexion);

    TTransaccion transaccion(conexion);
    const TUnidadTrabajo unidad(conexion, usuario.getIdusuario());
    std::unique_ptr<TUsuario> guardado = TUsuario::getById(usuario.getIdusuario(), conexion);
    if (!guardado)
        throw EBaseDatos(QStringLiteral("El usuario ya no existe en la base de datos de la empresa."));
    TUsuario nuevoUsuario = *guardado;
    if (resultado.password == TPassword::Cambiada) {
        nuevoUsuario.setPasswordtocompareupdate(nuevoUsuario.getPassword());
        nuevoUsuario.setPassword(Credenciales::hashPassword(datos.passwordNueva.trimmed()));
    }

    const std::shared_ptr<TPersona> personaGuardada = nuevoUsuario.getIdpersona();
    TPersona persona = personaGuardada ? *personaGuardada : TPersona();
    persona.setNombre(datos.nombre.trimmed());
    persona.setApellidopaterno(datos.apellidoPaterno.trimmed());
    persona.setApellidomaterno(datos.apellidoMaterno.trimmed());
    std::shared_ptr<TContacto> contacto = persona.getContacto();
    if (!contacto)
        contacto = std::make_shared<TContacto>(TContacto::saveOrUpdate(TContacto(), unidad));
    persona.setContacto(contacto);
    persona = TPersona::saveOrUpdate(persona, unidad);
    nuevoUsuario.setIdpersona(persona);
    nuevoUsuario = TUsuario::saveOrUpdate(nuevoUsuario, unidad);

    if (!imagen.isEmpty()) {
        std::unique_ptr<TImagen> foto = imagenDe(persona.getIdpersona(), conexion);
        if (!foto)
            foto = std::make_unique<TImagen>();
        foto->setIdpersona(persona);
        foto->setImagenperfil(imagen);
        TImagen::saveOrUpdate(*foto, unidad);
    }

    igualaLista(telefonosDe(contacto->getIdcontacto(), conexion), telefonos, *contacto, unidad,
                [](TTelefono& fila, const TDatosTelefono& t) {
                    fila.setNumero(t.numero);
                    fila.setExtencion(t.extension);
                    fila.setTipotelefono(t.tipo);
                });
    igualaLista(emailsDe(contacto->getIdcontacto(), conexion), emails, *contacto, unidad,
                [](TEmail& fila, const QString& email) { fila.setEmail(email); });
    transaccion.commit();
    usuario = nuevoUsuario;
    return resultado;
}

} // namespace Perfil
