#pragma once

#include "widgets/BusyDialog.h"

#include <QTimer>

#include <memory>

class DatagramSocket;
class DatagramSocketFactory;
class MessageBoxes;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Server properties": edits a server's address, query port and name, and
// accepts them only after a "\basic\" query to them found a game server.
class ServerPropertiesDialog final : public BusyDialog
{
    Q_OBJECT
public:
    struct Context
    {
        DatagramSocketFactory &sockets;
        MessageBoxes &messages;
        int localPort;
        int serverTimeOut;
    };

    enum class TestResult { Untested, Found, Failed };

    explicit ServerPropertiesDialog(const Context &context, QWidget *parent = nullptr);
    ~ServerPropertiesDialog() override;

    // Fills the fields; the description, set last, wins over the address rule.
    void setServer(const QString &address, int port, const QString &description);
    QString address() const;
    int port() const;
    QString description() const;

    TestResult testResult() const { return m_result; }
    QString resultText() const;
    bool isTesting() const { return m_countdown.isActive(); }
    bool isBusy() const override { return isTesting(); }

    void startTest();
    void confirm();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void addressChanged();
    void setResult(TestResult result, const QString &text);
    void setTesting(bool testing);
    void stopWork() override;
    void endWork() override;
    void countdownTick();
    void replyReceived(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort);
    void closeSocket();

    Context m_context;
    std::unique_ptr<DatagramSocket> m_socket;
    QTimer m_countdown;
    int m_elapsed = 0;
    bool m_descriptionEdited = false;
    bool m_filling = false;
    TestResult m_result = TestResult::Untested;
    QString m_testedAddress;
    quint16 m_testedPort = 0;
    QLineEdit *m_address = nullptr;
    QSpinBox *m_port = nullptr;
    QLineEdit *m_description = nullptr;
    QPushButton *m_test = nullptr;
    QLabel *m_resultLabel = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};
