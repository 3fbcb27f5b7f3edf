#include "main/UserSelection.h"

#include <QComboBox>
#include <QSignalBlocker>

UserSelection::UserSelection(QComboBox *list) : QObject(list), m_list(list), m_last(list->currentIndex())
{
    connect(list, &QComboBox::activated, this, &UserSelection::onActivated);
}

void UserSelection::select(int index)
{
    {
        const QSignalBlocker blocker(m_list);
        m_list->setCurrentIndex(index >= 0 && index < m_list->count() ? index : -1);
    }
    sync();
}

void UserSelection::sync()
{
    m_last = m_list->currentIndex();
}

void UserSelection::onActivated(int index)
{
    if (index == m_last)
        return;
    m_last = index;
    emit changed();
}
