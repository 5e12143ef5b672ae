// One entry of the free-days list, added or changed ("Dzień wolny"): the
// date, whether it is free every year, and the description. Ok refuses a
// description the file cannot keep and a day the list already makes free.
#pragma once

#include "freedays/FreeDaysDocument.h"

#include <QDialog>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class FreeDayEntryDialog : public QDialog
{
    Q_OBJECT

public:
    // doc: the list the entry goes into; index: the entry being changed, -1 for a new one.
    FreeDayEntryDialog(const FreeDaysDocument& doc, int index, QWidget* parent = nullptr);

    // The entry as the controls give it.
    FreeDayEntry Entry() const;

    QDateEdit* DateEdit() const { return m_date; }
    QCheckBox* RecurringCheck() const { return m_recurring; }
    QLineEdit* DescriptionEdit() const { return m_description; }
    QLabel* Problem() const { return m_problem; }
    QPushButton* OkButton() const { return m_ok; }

    void accept() override;

private:
    const FreeDaysDocument& m_doc;
    int m_index;
    QDateEdit* m_date;
    QCheckBox* m_recurring;
    QLineEdit* m_description;
    QLabel* m_problem;
    QPushButton* m_ok = nullptr;
};
