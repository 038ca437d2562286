#include "ReglasCaptura.h"

#include "Constantes.h"
#include "Signerutils.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/Utils.h"

#include <QDate>
#include <QMap>

using namespace Constantes;

namespace ReglasCaptura {

namespace {

QString requerido(const QString& nombre)
{
    return QString(CAMPO_REQUERIDO).replace(CAMPO, nombre, Qt::CaseInsensitive);
}

// The postal code's fault, if any: missing, too short, or unknown to the
// catalogue (in the chosen state's codes when a state is chosen).
QString faltaCodigoPostal(const TCapturaNegocio& c)
{
    const QString prompt = c.promptCodigoPostal.isEmpty() ? CMB_CODIGOPOSTAL : c.promptCodigoPostal;
    if (!c.codigoPostalElegido)
        return requerido(prompt);
    if (c.codigoPostal.size() < 5)
        return QString(CAMPO_NO_VALIDO).replace(CAMPO, prompt, Qt::CaseInsensitive);
    const TBaseDatosCatalogosFrm& catalogo = BaseDatosCatalogosFrm();
    if (c.estado != CMB_ESTADO)
        return catalogo.existeCodigoPostalByCPAndEstado(c.codigoPostal, c.estado.left(3))
                   ? QString()
                   : ERR_CODIGOPOSTA_NO_EXISTE_EDO;
    return catalogo.existeCodigoPostalByCP(c.codigoPostal) ? QString() : ERR_CODIGOPOSTA_NO_EXISTE;
}

} // namespace

TFaltas revisaPerfil(const QString& correo, const QString& password, const QString& repetida)
{
    if (correo.isEmpty())
        return {{CORREO, ERR_MAIL_REQUERIDO}};
    if (!Utils::validaUsuario(correo.trimmed()))
        return {{CORREO, ERR_MAIL_NO_VALIDO}};
    if (!Utils::validaContrasena(password, repetida))
        return {{PASSWORD, ERR_CONTRASENA}, {REPITE_PASSWORD, ERR_CONTRASENA}};
    return {};
}

TFaltas revisaNegocio(const TCapturaNegocio& c)
{
    TFaltas faltas;
    if (c.nombre.isEmpty())
        faltas.append({NOMBRE_EMPRESA, requerido(TITULO_NOMBRE_EMPRESA)});
    if (c.certificado.isEmpty())
        faltas.append({CERTIFICADO, requerido(TITULO_CERTIFICADO)});
    if (c.llave.isEmpty())
        faltas.append({LLAVE, requerido(TITULO_LLAVE)});
    if (c.passwordLlave.isEmpty())
        faltas.append({PASSWORD_LLAVE, requerido(TITULO_PASSWORD_LLAVE)});
    if (c.conDireccion) {
        const QString falta = faltaCodigoPostal(c);
        if (!falta.isEmpty())
            faltas.append({CODIGO_POSTAL, falta});
    }
    if (!c.regimenElegido)
        faltas.append({REGIMEN, requerido(c.promptRegimen.isEmpty() ? REGIMEN_FISCAL : c.promptRegimen)});
    return faltas;
}

QString textoFaltas(const TFaltas& faltas)
{
    // Every line but the business name's starts on a new line, so a message
    // without the name opens with an empty one, as the user always read it.
    QString texto;
    for (const TFalta& f : faltas)
        texto += (f.campo == NOMBRE_EMPRESA ? QString() : SALTO) + f.mensaje;
    return texto;
}

bool admiteEnCorreo(const QString& tecla)
{
    if (tecla.isEmpty() || tecla.at(0).unicode() < 32 || tecla.at(0).unicode() == 127)
        return true;
    for (const QChar c : tecla)
        if (Utils::soloAlphaNumericos(c).isNull())
            return false;
    return true;
}

TCertificado datosCertificado(const QMap<QString, QString>& informacion)
{
    return {Signerutils::rfcDelSujeto(informacion.value(CERT_OID_45)), informacion.value(CERT_OID_41).trimmed()};
}

} // namespace ReglasCaptura
