#include "app/ui/PrinterNameDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace spoolar {

PrinterNameDialog::PrinterNameDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool), m_printer(new QLabel(this)), m_name(new QLineEdit(this)),
      m_save(new QPushButton("&Salva", this)), m_close(new QPushButton("&Chiudi", this))
{
    setWindowTitle("Assegnazione nome stampante");
    setFixedSize(419, 72);
    setModal(true);
    auto* modelLabel = new QLabel("Modello", this);
    auto* nameLabel = new QLabel("Nome", this);
    modelLabel->setGeometry(8, 8, 60, 20);
    nameLabel->setGeometry(8, 40, 60, 20);
    m_printer->setGeometry(70, 8, 340, 20);
    m_name->setGeometry(70, 38, 160, 24);
    m_name->setMaxLength(20);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_name->setToolTip("Indicare il nome della stampante da utilizzare all'interno dei programmi "
                       "Qvor. Se il campo viene lasciato vuoto, cancellazione del nome della "
                       "stampante selezionata.");
    m_save->setGeometry(244, 38, 80, 25);
    m_save->setDefault(true);
    m_save->setToolTip("Assegna il nome indicato alla stampante selezionata");
    m_close->setGeometry(330, 38, 80, 25);
    m_close->setToolTip("Chiude la finestra senza salvare");
    connect(m_save, &QPushButton::clicked, this, &PrinterNameDialog::save);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

int PrinterNameDialog::ask(const QString& printer)
{
    m_printer->setText(printer);
    m_name->clear();
    if (parentWidget()) {
        const QRect owner = parentWidget()->frameGeometry();
        move(owner.center() - rect().center());
    }
    m_name->setFocus();
    return exec();
}

void PrinterNameDialog::save()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool named = m_naming && m_naming(m_printer->text(), m_name->text().trimmed());
    QApplication::restoreOverrideCursor();
    if (named)
        accept();
    else
        reject();
}

} // namespace spoolar
