// The Chinese GUI through a search that finds nothing, a read, a write that fails, a write that
// does not stick and import refusals: every text a visible widget shows is Chinese, field names,
// units, numbers and file names aside.
#include "cnorvelcontrollerapp.h"
#include "frame.h"
#include "import_window.h"
#include "link_controller_access.h"
#include "link_worker.h"
#include "message_ids.h"
#include "message_prompter.h"
#include "professional_view.h"
#include "sim_server.h"
#include "test_resources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <QTreeView>

#include <gtest/gtest.h>

#include <iostream>

namespace {

using M = MessageIds;

// Takes the text of every visible widget every few milliseconds, also inside the modal loops of
// progress dialogs and message boxes; a message box is answered Yes, else Cancel, else OK, once
// its texts are taken.
class TextWatch
{
public:
    TextWatch()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start();
    }

    void look()
    {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible())
                continue;
            take(top->windowTitle().remove(QCoreApplication::applicationName()));
            QList<QWidget*> widgets = top->findChildren<QWidget*>();
            widgets.prepend(top);
            for (QWidget* w : widgets)
                if (w->isVisible())
                    takeWidget(w);
            // NORVEL_SHOT_DIR keeps a picture of each message box and progress dialog, to look at.
            if (qobject_cast<QMessageBox*>(top) || qobject_cast<QProgressDialog*>(top))
                keepPicture(top);
            if (auto* box = qobject_cast<QMessageBox*>(top))
                answer(box);
        }
    }

    QSet<QString> texts;

private:
    void take(const QString& text)
    {
        if (!text.trimmed().isEmpty())
            texts.insert(text);
    }

    void takeWidget(QWidget* w)
    {
        if (auto* label = qobject_cast<QLabel*>(w))
            take(label->text());
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            take(button->text());
        else if (auto* edit = qobject_cast<QLineEdit*>(w))
            take(edit->text() + QLatin1Char(' ') + edit->placeholderText());
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            take(group->title());
        else if (auto* combo = qobject_cast<QComboBox*>(w))
            take(combo->currentText());
        else if (auto* status = qobject_cast<QStatusBar*>(w))
            take(status->currentMessage());
        else if (auto* table = qobject_cast<QTableView*>(w))
            takeModel(table->model(), [table](int c) { return table->isColumnHidden(c); });
        else if (auto* tree = qobject_cast<QTreeView*>(w))
            takeModel(tree->model(), [tree](int c) { return tree->isColumnHidden(c); });
        if (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBar*>(w))
            for (const QAction* a : w->actions())
                take(a->text());
    }

    template <typename Hidden> void takeModel(const QAbstractItemModel* model, Hidden hidden)
    {
        if (model == nullptr)
            return;
        for (int c = 0; c < model->columnCount(); ++c) {
            if (hidden(c))
                continue;
            take(model->headerData(c, Qt::Horizontal).toString());
            for (int r = 0; r < model->rowCount(); ++r)
                take(model->index(r, c).data().toString());
        }
        for (int r = 0; r < model->rowCount(); ++r)
            take(model->headerData(r, Qt::Vertical).toString());
    }

    void keepPicture(QWidget* window)
    {
        const QString dir = qEnvironmentVariable("NORVEL_SHOT_DIR");
        // Windows on the stack come back at the same address: told apart by what they say.
        QString key;
        for (const QLabel* label : window->findChildren<QLabel*>())
            key += label->text();
        if (dir.isEmpty() || m_pictured.contains(key))
            return;
        m_pictured.insert(key);
        window->grab().save(
            QStringLiteral("%1/chinese-gui-%2.png").arg(dir).arg(m_pictured.size()));
    }

    static void answer(QMessageBox* box)
    {
        for (QMessageBox::StandardButton b :
             {QMessageBox::Yes, QMessageBox::Cancel, QMessageBox::Ok})
            if (QAbstractButton* button = box->button(b)) {
                button->click();
                return;
            }
    }

    QTimer m_timer;
    QSet<QString> m_pictured;
    int m_pictures = 0;
};

// The English words left in a text once paths, file names, quoted values, hexadecimal numbers
// (serial numbers), field names (also the unknown one the test's document gives), JSON's
// true and false, and the names of sensors, buses and series are taken out.
QStringList englishWords(QString text)
{
    static const QSet<QString> names = [] {
        QSet<QString> n{"CAN", "ID", "ECU", "AD",   "KTY",   "PDT", "PDR",
                        "DVR", "RS", "ABS", "true", "false", "Nope"};
        int count = 0;
        const FieldDef* table = fieldTable(&count);
        for (int i = 0; i < count; ++i)
            n.insert(QString::fromLatin1(table[i].name));
        return n;
    }();
    text.remove(QRegularExpression(QStringLiteral("/[^\\s:：，。；）)]+")));
    text.remove(QRegularExpression(QStringLiteral("[^\\s/：]+\\.json")));
    text.remove(QRegularExpression(QStringLiteral("\"[^\"]*\"")));
    text.remove(QRegularExpression(QStringLiteral("\\b[0-9A-F]*[0-9][0-9A-F]*\\b")));
    QStringList words;
    static const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z0-9_]*"));
    static const QRegularExpression digits(QStringLiteral("[0-9_]"));
    static const QRegularExpression model(QStringLiteral("[0-9]+[A-Za-z]?$")); // KTY84, DVR48201J
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QString token = it.next().captured();
        const QString stem = QString(token).remove(model);
        if (QString(token).remove(digits).size() > 1 && !names.contains(token) &&
            !names.contains(stem))
            words << token;
    }
    return words;
}

// The module's text up to its first placeholder: the words a message made of it starts with.
QString opening(int id)
{
    return testModule(QStringLiteral("chinese")).string(id).section(QLatin1Char('%'), 0, 0);
}

TEST(ChineseGui, EveryVisibleTextThroughSearchReadWriteFailuresAndImportIsChinese)
{
    const ResourceModule& cn = testModule(QStringLiteral("chinese"));
    QTranslator qt;
    ASSERT_TRUE(CNorvelControllerApp::installQtTranslation(&qt, QStringLiteral("chinese")));
    const QHash<QString, QString> labels = cn.fieldLabels();
    const auto strings = [&cn](int id) { return cn.string(id); };
    const auto labelOf = [&labels](Field f) {
        return labels.value(QLatin1String(fieldDef(f).name));
    };
    QTemporaryDir dir;
    LinkWorker link;
    MessagePrompter prompter(cn);
    TextWatch watch;

    // A search that finds nothing: one port that is not there, one on which nobody answers.
    SimServer silent{SimOptions{}};
    QString error;
    ASSERT_TRUE(silent.start(&error)) << error.toStdString();
    for (int n = 1; n <= 4; ++n)
        silent.addFault({SimFault::NoReply, CMD_IDENTIFY, n});
    LinkControllerAccess nowhere(link, prompter, {dir.filePath("ttyGone"), silent.devicePath()},
                                 dir.path());
    EXPECT_FALSE(nowhere.connectController(nullptr));

    // A read, then the professional view on what was read.
    SimServer sim{SimOptions{}};
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    LinkControllerAccess access(link, prompter, {sim.devicePath()}, dir.path());
    ConfigBlock block;
    int code = -1;
    ASSERT_TRUE(openController(prompter, access, &block, &code));
    ProfessionalViewOptions options;
    options.strings = strings;
    options.labels = labelOf;
    options.backupDir = dir.path();
    ProfessionalView view(&access, block, options);
    view.show();
    view.table()->selectRow(0);
    watch.look();

    // A write whose commit gets no answer, then one that does not stick.
    ASSERT_TRUE(view.editField(Field::MaxMotorCurrent, 60));
    sim.addFault({SimFault::NoReply, CMD_COMMIT, sim.frameCount(CMD_COMMIT) + 1});
    EXPECT_FALSE(view.writeController());
    // The unanswered commit was carried out: the next write needs a value of its own.
    ASSERT_TRUE(view.editField(Field::MaxMotorCurrent, 70));
    sim.addFault({SimFault::LostCommit, CMD_COMMIT, sim.frameCount(CMD_COMMIT) + 1});
    EXPECT_FALSE(view.writeController());
    view.hide();

    // Import refusals: a document that is wrong in itself, and one this controller refuses.
    const auto document = [&dir](const QString& name, const QByteArray& fields) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"format": "norvel-configuration", "version": 1, "fields": {)" + fields + "}}");
        return f.fileName();
    };
    for (const QString& path :
         {document("1.json", R"("Nope": 1, "Abs": "yes", "StartupDelay": 2.5, "ModelPrefix": 1)"),
          document("2.json", R"("MaxMotorCurrent": 3, "HallSensorType": 7)")}) {
        ImportWindow window(access, path, block, strings, labelOf);
        window.show();
        watch.look();
        EXPECT_FALSE(window.refusals().isEmpty());
    }

    // The run went where it should: each step's words were seen.
    const QString all = QStringList(watch.texts.begin(), watch.texts.end()).join('\n');
    for (int id :
         std::initializer_list<int>{M::NoAnswerLine, M::PortMissingLine, M::ReadingLabel,
                                    M::CommitLostNewHeld, M::NotStoredNoRetry, M::CannotImport,
                                    M::DocumentErrorFirst + DocumentError::NoSuchField,
                                    M::DocumentErrorFirst + DocumentError::OutOfRange})
        EXPECT_TRUE(all.contains(opening(id).trimmed())) << id;
    EXPECT_TRUE(all.contains(labelOf(Field::MaxMotorCurrent)));

    if (qEnvironmentVariableIsSet("NORVEL_SHOW_TEXTS"))
        std::cout << all.toStdString() << std::endl;
    for (const QString& text : watch.texts)
        EXPECT_TRUE(englishWords(text).isEmpty())
            << englishWords(text).join(' ').toStdString() << " in: " << text.toStdString();
}

TEST(ChineseGui, WithoutLanguageTheSystemsLanguageChoosesTheModule)
{
    const struct
    {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        const char* module;
    } cases[] = {
        {"", "", "zh_CN.UTF-8", "chinese"},  {"", "", "de_DE.UTF-8", "english"},
        {"", "zh_TW", "en_US", "chinese"},   {"en_GB", "zh_CN", "zh_CN", "english"},
        {"zh_CN.UTF-8", "", "C", "chinese"}, {"", "", "", "english"},
        {"C", "", "zh_CN", "english"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CNorvelControllerApp::systemLanguage(c.lcAll, c.lcMessages, c.lang), c.module)
            << c.lcAll << "|" << c.lcMessages << "|" << c.lang;
}

} // namespace
