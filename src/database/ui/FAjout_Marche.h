#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace kiruvan {

// Asks for a market's name. Nom_Saisi holds the edit's text, as typed, when "Ok" was pressed
// and the empty text when the dialog was closed any other way.
class TAjout_Marche : public QDialog {
    Q_OBJECT
public:
    TAjout_Marche(const QString& Titre_Dialogue, const QString& initialName, QWidget* parent = nullptr);

    QString Nom_Saisi() const { return nomSaisi_; }

    // Shows the dialog modally and returns its result.
    static QString ask(QWidget* parent, const QString& Titre_Dialogue, const QString& initialName);

private slots:
    void BitBtn1Click();

private:
    QPushButton* BitBtn1 = nullptr;  // Ok
    QLineEdit* EDT_Nom_Marche = nullptr;

    QString nomSaisi_;
};

}  // namespace kiruvan
