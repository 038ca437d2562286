#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

// The class the resource package registers under RS_CLASS_NAME. The shell
// knows it only by name: it creates it through its meta-object and calls the
// operations below by their RS_METHOD_* names.
//
// Everything returned is allocated on the heap by the call, never a view of
// the package's own memory: the shell unloads the package right after
// getResource, and may unload it once it is done with the texts.
class TRecursosFrm : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TRecursosFrm(QObject* parent = nullptr);

    // The bytes of the resource with that name (an IMG_* value, RS_USRDB or
    // DB_SISTEMA_NOMBRE_RESOURCE); a null array for an unknown name.
    Q_INVOKABLE QByteArray getResource(const QString& nombre) const;
    // Brand identity: "key|name|PAC authorisation number".
    Q_INVOKABLE QString getSistema() const;
    // Sender of the brand's mails.
    Q_INVOKABLE QString getMarcaMail() const;
    // HTML body of the password-recovery mail; EMAIL_REPLACE marks where the
    // recovery key goes.
    Q_INVOKABLE QString getMailHTML() const;
    // Address of the letter-of-manifest service, with the SG_HASHTOKEN_RFC,
    // SG_HASHTOKEN_CLIENTE and SG_HASHTOKEN_HASH placeholders.
    Q_INVOKABLE QString getURLCartaManifiesto() const;
    // Text hashed into SG_HASHTOKEN_HASH, with the RFC and client placeholders.
    Q_INVOKABLE QString getTokenCartaManifiesto() const;
    // Address of the SAT catalog archive.
    Q_INVOKABLE QString getURLCatalogo() const;
};
