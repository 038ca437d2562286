#pragma once
#include <QObject>
#include <QString>

// The class the update-name package registers under UPD_CLASS_NAME. The shell
// knows it only by name and calls its operations by their UPD_METHOD_* names.
// A business may point the check at its own server instead, through the
// program folder's settings ([Red] actualizaciones).
class TResourcesUpd : public QObject {
    Q_OBJECT

public:
    Q_INVOKABLE explicit TResourcesUpd(QObject* parent = nullptr);

    // Address of the update folder on the update server, ending in "/".
    Q_INVOKABLE QString getUpdatePath() const;
    // File name of the version list inside that folder.
    Q_INVOKABLE QString getUpdateName() const;
};
