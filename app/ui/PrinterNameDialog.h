#pragma once
#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace spoolar {

// TFRM_PrinterName: gives the printer shown in LBL_Nome the user name typed into EDT_Nome
// (at most 20 characters; empty clears it). "&Salva" hands both to the naming function and
// closes with OK when it succeeded, else with Cancel; "&Chiudi" closes with Cancel.
class PrinterNameDialog : public QDialog
{
    Q_OBJECT
public:
    // printer and user name in UTF-8; true when the name was given.
    using NamingFunction = std::function<bool(const QString& printer, const QString& userName)>;

    explicit PrinterNameDialog(QWidget* parent = nullptr);

    void setNamingFunction(NamingFunction naming) { m_naming = std::move(naming); }
    // Sets LBL_Nome, empties EDT_Nome and shows the window modally.
    int ask(const QString& printer);

    QLabel* printerLabel() const { return m_printer; }
    QLineEdit* nameEdit() const { return m_name; }
    QPushButton* saveButton() const { return m_save; }

private:
    void save();

    NamingFunction m_naming;
    QLabel* m_printer;
    QLineEdit* m_name;
    QPushButton* m_save;
    QPushButton* m_close;
};

} // namespace spoolar
