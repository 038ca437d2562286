#include "TPaqueteBean.h"

#include <QObject>

TPaqueteBean::~TPaqueteBean() = default;

void TPaqueteBean::setNewForm(QObject* v)
{
    m_newForm.reset(v);
}
