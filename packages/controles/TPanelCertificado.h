#pragma once
#include "ControlesExport.h"
#include "Signerutils.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// The seal certificate (CSD) as the SAT delivers it: the certificate file,
// its private key and the key's password, each chosen with its search button
// (SelectorArchivos), and below them the certificate's end of validity and
// number. A certificate past its end (Reloj::hoy) still shows, as expired and
// in the warning colour: a business may keep its older vouchers with it.
//
// Object names, the same in every window: EdCSD, SearchEditButton2,
// ClearEditButton1 (certificate); EdKey, SearchEditButton1 and, with
// TOpciones::quitaLlave, ClearEditButton2 (key); EdCSDPass (password);
// TxCaducidadCSD, TxNoSerieCSDLeyenda, TxNoSerieCSD (what was read). Each
// field's label is "Et" + its name.
//
// A chosen certificate is checked by the revisor first; one it refuses is not
// kept. One it takes is read through the signer, shown, and announced with
// certificadoLeido so the window can take its RFC and name.
class CONTROLES_EXPORT TPanelCertificado : public QWidget {
    Q_OBJECT
public:
    // Where the windows differ.
    struct TOpciones {
        // The key row has its own clear button (ClearEditButton2), and each
        // clear button clears its own field. Without it the certificate's
        // clears the three fields and what was read.
        bool quitaLlave = false;
        // The read-only path fields are Tab stops; false: Tab passes them by.
        bool rutasConTab = true;
        // Enter in the password is the panel's (passwordTerminada), not the
        // window's default button; false: it is the window's, as in its
        // other fields.
        bool enterPropio = true;
        QString buscaCertificado = QStringLiteral("Buscar…");
        QString buscaLlave = QStringLiteral("Buscar…");
        QString etiquetaPassword = QStringLiteral("Contraseña de la llave privada");
    };
    enum class TCampo { Certificado, Llave, Password };
    // Whether a chosen certificate may be taken; when not, the revisor has
    // told the user why.
    using TRevisor = std::function<bool(const QString& archivoCertificado)>;

    // The filters of the two file dialogs (what TColaArchivos records).
    static const QString FILTRO_CERTIFICADO;
    static const QString FILTRO_LLAVE;

    // The wizard's panel: TOpciones as they come.
    explicit TPanelCertificado(QWidget* padre = nullptr);
    TPanelCertificado(QWidget* padre, const TOpciones& opciones);

    // The default revisor takes a readable CSD of a valid RFC and SAT number
    // (TSigner::revisaCertificado) and warns with explicaRevision otherwise.
    void fijaRevisor(TRevisor revisor);

    QString certificado() const;
    QString llave() const;
    QString password() const;
    // The certificate, key and password as they stand, checked through the
    // signer (revisaCertificados); TSigner::explicaRevision says it to the user.
    Signerutils::TRevision revisa() const;

    // Empties the three fields and what was read.
    void limpia();
    // A stored certificate: its number and end of validity, the fields empty.
    void muestraGuardado(const QString& numero, const QDate& expiracion);

    // The marks and focus the window's checks need; the certificate's focus
    // goes to its search button (its path is chosen, not typed).
    void marcaError(TCampo campo);
    void quitaError(TCampo campo);
    void enfoca(TCampo campo);
    // The panel's keyboard stops in reading order, for the window's chain.
    QList<QWidget*> ordenTabulacion() const;
    // Gives the labels this width at least, to line up with a form around.
    void alineaEtiquetas(int ancho);

signals:
    // A certificate was chosen and taken: its CERT_* facts (Signerutils.h).
    void certificadoLeido(const QMap<QString, QString>& informacion);
    // Enter was pressed in the password field.
    void passwordTerminada();

private:
    QWidget* widgetDe(TCampo campo) const;
    void buscaCertificado();
    void buscaLlave();
    void quitaCertificado();
    void muestraVigencia(const QString& fin);
    void limpiaLeido();

    TOpciones m_opciones;
    TRevisor m_revisor;
    QLineEdit* m_certificado;
    QPushButton* m_buscaCertificado;
    QPushButton* m_quitaCertificado;
    QLineEdit* m_llave;
    QPushButton* m_buscaLlave;
    QPushButton* m_quitaLlave = nullptr;
    QLineEdit* m_password;
    QLabel* m_vigencia;
    QLabel* m_leyendaSerie;
    QLabel* m_serie;
    QList<QLabel*> m_etiquetas;
};
