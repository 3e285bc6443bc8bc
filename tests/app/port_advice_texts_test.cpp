// The serial port help below message 103, in both modules' words.
#include "link_controller_access.h"
#include "link_worker.h"
#include "port_advice_texts.h"
#include "scripted_prompter.h"
#include "test_resources.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = PortAdvice::Kind;

const QList<PortAdvice> kEveryKind = {
    {Kind::JoinGroup, {"dialout"}},
    {Kind::LogInAgain, {"dialout"}},
    {Kind::HeldBy, {"/dev/ttyUSB0", "minicom", "4242"}},
    {Kind::HeldByOther, {"/dev/ttyUSB1"}},
    {Kind::ModemManager, {"/dev/ttyUSB2"}},
    {Kind::Brltty, {"1a86:7523"}},
    {Kind::InstallRule, {"60-norvel-controller.rules"}},
};

ScriptedPrompter prompterWith(const QString& module)
{
    ScriptedPrompter prompter;
    prompter.texts = [module](int id) { return testModule(module).string(id); };
    return prompter;
}

TEST(PortAdviceTexts, EachAdviceIsTheModulesTextWithTheNamesFilledIn)
{
    for (const QString module : {"english", "chinese"}) {
        SCOPED_TRACE(module.toStdString());
        const ScriptedPrompter prompter = prompterWith(module);
        const QStringList lines = portAdviceDetails(kEveryKind, prompter).split('\n');
        EXPECT_EQ(lines.first(), testModule(module).string(237));
        const QString text = lines.join('\n');
        EXPECT_FALSE(text.contains('\r'));
        EXPECT_FALSE(text.contains('%')) << text.toStdString();
        for (const char* name :
             {"sudo usermod -aG dialout $USER", "minicom", "4242", "/dev/ttyUSB1", "/dev/ttyUSB2",
              "1a86:7523", "60-norvel-controller.rules", "sudo systemctl stop ModemManager",
              "sudo udevadm control --reload-rules"})
            EXPECT_TRUE(text.contains(name)) << name;
        // Every word of each text is there, around the names.
        for (const PortAdvice& advice : kEveryKind) {
            QString words = testModule(module).string(portAdviceStringId(advice.kind));
            words.replace("\r\n", "\n");
            for (const QString& piece :
                 words.split(QRegularExpression("%[1-3]"), Qt::SkipEmptyParts))
                EXPECT_TRUE(text.contains(piece)) << piece.toStdString();
        }
    }
    EXPECT_TRUE(portAdviceDetails({}, prompterWith("english")).isEmpty());
}

TEST(PortAdviceTexts, NamesAreNotReread)
{
    const QString module = portAdviceDetails({{Kind::HeldBy, {"/dev/ttyUSB%2", "a%1b", "7"}}},
                                             prompterWith("english"));
    EXPECT_TRUE(module.contains("/dev/ttyUSB%2 is held by a%1b (process 7)"))
        << module.toStdString();
}

// A device that the system refuses to open for lack of permission.
class RefusingPort : public SerialPort
{
public:
    OpenError open(const QString&, QString*) override { return OpenError::NoPermission; }
    QStringList configure() override { return {}; }
    void discardInput() override {}
    bool write(const std::uint8_t*, int) override { return false; }
    ReadResult read(int, int) override { return {{}, true, "closed"}; }
    void close() override {}
    bool isOpen() const override { return false; }
};

TEST(PortAdviceTexts, NoControllerMessageEndsWithWhatToDoAboutARefusedPort)
{
    LinkWorker link([] { return std::make_unique<RefusingPort>(); });
    ScriptedPrompter prompter = prompterWith("english");
    QTemporaryDir dir;
    const QString port = QStringLiteral("/dev/ttyUSB97");
    LinkControllerAccess access(link, prompter, {port}, dir.path());
    EXPECT_FALSE(access.connectController(nullptr));
    ASSERT_EQ(prompter.asked, QList<int>{103});
    const QString details = prompter.askedDetails.last();
    // The port's line stays as it was; the help follows it, as this machine gives it.
    EXPECT_TRUE(details.startsWith(port + ": no permission")) << details.toStdString();
    ConnectResult same;
    same.openFailures.append({port, OpenError::NoPermission, QString()});
    const QString help = portAdviceDetails(portAdvice(same, PortSystem::current()), prompter);
    EXPECT_TRUE(details.endsWith(help)) << details.toStdString();
    if (!help.isEmpty()) {
        EXPECT_TRUE(details.contains("\n\nWhat to do:\n")) << details.toStdString();
    }
}

} // namespace
