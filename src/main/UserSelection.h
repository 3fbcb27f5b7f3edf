#pragma once

#include <QObject>

class QComboBox;

// Tells when the USER selects another entry of a list. QComboBox::activated also
// fires when the user picks the entry already selected, and currentIndexChanged also
// fires for changes made by the program; this compares each activation with the
// index last recorded. Every change made by the program goes through select() or is
// followed by sync(), with the list's signals blocked meanwhile.
class UserSelection : public QObject {
    Q_OBJECT
  public:
    explicit UserSelection(QComboBox *list);

    // Selects an entry from the program (-1 or an index the list lacks: no selection),
    // raising no change.
    void select(int index);
    // Records the list's current index after the program changed the list.
    void sync();

  signals:
    void changed();

  private:
    void onActivated(int index);

    QComboBox *m_list;
    int m_last;
};
