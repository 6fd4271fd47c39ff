#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace qalor {

// Dialog 197 "串口配置表": the CDR port number, a whole number from 1 to 4.
// Opening shows the number stored in 串口表; confirming checks the entry and
// keeps the dialog open until it is valid. Storing it is the caller's work.
// Below the number the dialog shows what it maps to (a serial device or a
// tcp:// address).
class PortDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kLowest = 1;
    static constexpr int kHighest = 4;

    explicit PortDialog(QWidget* parent = nullptr);

    QLineEdit* portEdit() const { return m_port; }
    QString mappingText() const;
    // Valid after the dialog was accepted.
    int port() const { return m_value; }

    // The entry's number, or the message that refuses it.
    static bool parse(const QString& text, int& value, QString& refusal);

public slots:
    void accept() override;

private:
    void showMapping();

    QLineEdit* m_port;
    QLabel* m_mapping;
    int m_value = 0;
};

} // namespace qalor
