#include "ServerPropertiesDialog.h"

#include "core/DottedAddress.h"
#include "discovery/ReachabilityTest.h"
#include "platform/DatagramSocket.h"
#include "platform/DatagramSocketFactory.h"
#include "platform/MessageBoxes.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Green and red that keep white text readable on light and dark themes alike.
const QColor kFoundColor(0x2e, 0x7d, 0x32);
const QColor kFailedColor(0xc6, 0x28, 0x28);

} // namespace

ServerPropertiesDialog::ServerPropertiesDialog(const Context &context, QWidget *parent)
    : BusyDialog(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("frm_ServerProperties"));
    setWindowTitle(QStringLiteral("Server properties"));
    buildControls();
    m_countdown.setParent(this);
    m_countdown.setObjectName(QStringLiteral("tm_TimeOut"));
    m_countdown.setInterval(1000);
    connect(&m_countdown, &QTimer::timeout, this, &ServerPropertiesDialog::countdownTick);
}

ServerPropertiesDialog::~ServerPropertiesDialog() = default;

void ServerPropertiesDialog::buildControls()
{
    m_address = new QLineEdit(QStringLiteral("<IP or address>"), this);
    m_address->setObjectName(QStringLiteral("ed_ServerAddress"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("se_ServerPort"));
    m_port->setRange(0, 65535);
    m_port->setValue(7778);
    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("ed_Description"));
    m_description->installEventFilter(this);
    m_address->setAccessibleName(QStringLiteral("Server address"));
    m_port->setAccessibleName(QStringLiteral("Server port (query port)"));
    m_description->setAccessibleName(QStringLiteral("Description"));

    m_test = new QPushButton(QStringLiteral("check for server"), this);
    m_test->setObjectName(QStringLiteral("sB_Test"));
    m_resultLabel = new QLabel(this);
    m_resultLabel->setObjectName(QStringLiteral("lbl_Result"));
    m_resultLabel->setAlignment(Qt::AlignCenter);
    m_resultLabel->setAutoFillBackground(true);
    m_resultLabel->setMinimumHeight(m_resultLabel->fontMetrics().height() * 2);
    QFont bold = m_resultLabel->font();
    bold.setBold(true);
    m_resultLabel->setFont(bold);
    m_resultLabel->setAccessibleName(QStringLiteral("Test result"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("btn_OK"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("btn_Cancel"));
    for (QPushButton *button : {m_test, m_ok, m_cancel})
        button->setAutoDefault(false);

    connect(m_address, &QLineEdit::textChanged, this, &ServerPropertiesDialog::addressChanged);
    connect(m_port, &QSpinBox::valueChanged, this, &ServerPropertiesDialog::addressChanged);
    connect(m_test, &QPushButton::clicked, this, &ServerPropertiesDialog::startTest);
    connect(m_ok, &QPushButton::clicked, this, &ServerPropertiesDialog::confirm);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Server &address"), m_address);
    fields->addRow(QStringLiteral("Server &port       (query port)"), m_port);
    fields->addRow(QStringLiteral("&Description"), m_description);
    QHBoxLayout *buttons = newButtonRow({}, m_ok, m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_test);
    layout->addWidget(m_resultLabel);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    setResult(TestResult::Untested, QString());
}

void ServerPropertiesDialog::setServer(const QString &address, int port, const QString &description)
{
    m_address->setText(address);
    m_port->setValue(port);
    m_description->setText(description);
    setResult(TestResult::Untested, QString());
}

// A dotted address in the form replies name their sender, so the server's
// replies find it; a name as typed.
QString ServerPropertiesDialog::address() const
{
    return DottedAddress::canonical(m_address->text());
}

int ServerPropertiesDialog::port() const
{
    return m_port->value();
}

QString ServerPropertiesDialog::description() const
{
    return m_description->text();
}

QString ServerPropertiesDialog::resultText() const
{
    return m_resultLabel->text();
}

bool ServerPropertiesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_description && event->type() == QEvent::KeyPress)
        m_descriptionEdited = true;
    return BusyDialog::eventFilter(watched, event);
}

void ServerPropertiesDialog::showEvent(QShowEvent *event)
{
    BusyDialog::showEvent(event);
    m_descriptionEdited = !m_description->text().isEmpty();
}

void ServerPropertiesDialog::addressChanged()
{
    if (!m_descriptionEdited)
        m_description->setText(m_address->text() + QLatin1Char(':') + m_port->text());
    // Values changed after a test were not tested: OK must not take them on an old verdict.
    if (m_result != TestResult::Untested && !isTesting())
        setResult(TestResult::Untested, QString());
}

void ServerPropertiesDialog::setResult(TestResult result, const QString &text)
{
    m_result = result;
    m_resultLabel->setText(text);
    QPalette palette = this->palette();
    if (result != TestResult::Untested) {
        palette.setColor(QPalette::Window, result == TestResult::Found ? kFoundColor : kFailedColor);
        palette.setColor(QPalette::WindowText, Qt::white);
    } else {
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
        palette.setColor(QPalette::WindowText, palette.color(QPalette::ButtonText));
    }
    m_resultLabel->setPalette(palette);
}

void ServerPropertiesDialog::setTesting(bool testing)
{
    for (QWidget *control : {static_cast<QWidget *>(m_test), static_cast<QWidget *>(m_address),
                             static_cast<QWidget *>(m_port), static_cast<QWidget *>(m_ok)})
        control->setEnabled(!testing);
    if (testing)
        m_cancel->setFocus();
}

void ServerPropertiesDialog::startTest()
{
    if (!m_socket) {
        m_socket = m_context.sockets.createSocket();
        const int port = m_context.localPort + 1;
        if (port < 1 || port > 65535 || !m_socket->bind(static_cast<quint16>(port)))
            m_socket->bind(0);
        connect(m_socket.get(), &DatagramSocket::datagramReceived, this, &ServerPropertiesDialog::replyReceived);
    }
    setResult(TestResult::Untested, QStringLiteral("query send, please wait..."));
    setTesting(true);
    m_elapsed = 0;
    m_countdown.start();
    const DottedAddress address = DottedAddress::parse(m_address->text());
    m_testedAddress = address.ok ? address.text() : m_address->text();
    m_testedPort = static_cast<quint16>(m_port->value());
    const bool sent =
        address.ok && m_testedPort != 0 && m_socket->send(QByteArrayLiteral("\\basic\\"), address.ipv4, m_testedPort);
    if (!sent) {
        setResult(TestResult::Untested, QStringLiteral("Invalid host address"));
        setTesting(false);
        m_countdown.stop();
        closeSocket();
    }
}

void ServerPropertiesDialog::countdownTick()
{
    if (m_context.serverTimeOut <= m_elapsed) {
        m_countdown.stop();
        setTesting(false);
        m_ok->setEnabled(false);
        setResult(TestResult::Failed, QStringLiteral("No reply received"));
        m_elapsed = 0;
        closeSocket();
        return;
    }
    m_resultLabel->setText(QStringLiteral("%1 seconds left...").arg(m_context.serverTimeOut - m_elapsed));
    ++m_elapsed;
}

void ServerPropertiesDialog::replyReceived(const QByteArray &datagram, const QString &senderAddress, quint16 senderPort)
{
    // Only the server under test judges it; anything else on the port is ignored.
    if (!isTesting() || senderAddress != m_testedAddress || senderPort != m_testedPort)
        return;
    const ReachabilityTest::Verdict verdict = ReachabilityTest::judge(datagram);
    m_countdown.stop();
    setTesting(false);
    setResult(verdict.found ? TestResult::Found : TestResult::Failed, verdict.text);
}

void ServerPropertiesDialog::confirm()
{
    if (m_result == TestResult::Failed) {
        m_context.messages.showError(QStringLiteral("Server information is incorrect.\nPlease correct this."));
        return;
    }
    if (m_result == TestResult::Found) {
        accept();
        return;
    }
    m_context.messages.showInformation(
        QStringLiteral("Please run the test to be sure the server information is correct."));
}

void ServerPropertiesDialog::stopWork()
{
    m_countdown.stop();
    setTesting(false);
    setResult(TestResult::Failed, QStringLiteral("Canceled by user"));
}

void ServerPropertiesDialog::endWork()
{
    m_countdown.stop();
    closeSocket();
}

void ServerPropertiesDialog::closeSocket()
{
    m_socket.reset();
}
