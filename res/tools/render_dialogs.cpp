// Renders every dialog of a resource module into PNG files and lists text that does not fit.
//
// Usage: norvel-render-dialogs [--module english|chinese]... [--out DIR] [--dir BUNDLE_DIR]
//                              [--all]
// --all renders a second picture of each dialog with its hidden controls shown as well, since
// the pages show some of them on newer controllers. Run with QT_QPA_PLATFORM=offscreen.
#include "controls.h"
#include "resource_module.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextStream>

#include <vector>

namespace {

const int kDialogs[] = {100, 102, 133, 145, 146, 147, 148, 149, 150, 151, 152, 153, 156};

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// Width and height the widget's text needs, or an empty size when it has none to check. The
// last line may lose the part below its baseline's descent, which holds no ink in most lines.
QSize neededSize(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty())
            return {};
        const QFontMetrics fm(label->font());
        const int width = label->contentsRect().width();
        const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
        const QRect r = fm.boundingRect(QRect(0, 0, label->wordWrap() ? width : 100000, 100000),
                                        flags, label->text());
        return {r.width(), r.height() - fm.descent()};
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        const QFontMetrics fm(group->font());
        return {fm.horizontalAdvance(group->title()) + 16, 0};
    }
    // Buttons are checked across only: their size hints carry generous vertical margins.
    if (qobject_cast<QAbstractButton*>(w) != nullptr)
        return {w->sizeHint().width(), 0};
    return {};
}

QString describe(QWidget* w)
{
    QString text;
    if (auto* label = qobject_cast<QLabel*>(w))
        text = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        text = button->text();
    else if (auto* group = qobject_cast<QGroupBox*>(w))
        text = group->title();
    return QStringLiteral("%1 \"%2\"").arg(w->objectName(), oneLine(text).left(60));
}

bool interactive(QWidget* w)
{
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QSlider*>(w) ||
           qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
           (qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->text().trimmed().isEmpty());
}

// Reports text wider or taller than its control and controls that cover one another.
int check(const QString& module, int id, QWidget* root, QTextStream& out)
{
    int problems = 0;
    std::vector<QWidget*> shown;
    const auto children = root->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) {
        if (w->isHidden())
            continue;
        const QSize need = neededSize(w);
        if (need.isValid() && (need.width() > w->width() || need.height() > w->height())) {
            out << module << " " << id << ": " << describe(w) << " needs " << need.width() << "x"
                << need.height() << ", has " << w->width() << "x" << w->height() << "\n";
            ++problems;
        }
        // Pictures may reach past the edge: the banner is wider than the frame.
        const bool picture =
            qobject_cast<QLabel*>(w) && !qobject_cast<QLabel*>(w)->pixmap().isNull();
        if (!picture && !root->rect().contains(w->geometry())) {
            out << module << " " << id << ": " << describe(w) << " lies outside the dialog\n";
            ++problems;
        }
        if (interactive(w))
            shown.push_back(w);
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            if (shown[i]->geometry().intersects(shown[j]->geometry())) {
                out << module << " " << id << ": " << describe(shown[i]) << " overlaps "
                    << describe(shown[j]) << "\n";
                ++problems;
            }
        }
    }
    return problems;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Renders the dialogs of resource modules."));
    parser.addHelpOption();
    const QCommandLineOption moduleOption(QStringLiteral("module"),
                                          QStringLiteral("Module to render (repeatable)."),
                                          QStringLiteral("name"));
    const QCommandLineOption outOption(QStringLiteral("out"), QStringLiteral("Output folder."),
                                       QStringLiteral("dir"), QStringLiteral("dialog-shots"));
    const QCommandLineOption dirOption(QStringLiteral("dir"),
                                       QStringLiteral("Folder holding the bundles."),
                                       QStringLiteral("dir"));
    const QCommandLineOption allOption(QStringLiteral("all"),
                                       QStringLiteral("Also render with hidden controls shown."));
    parser.addOptions({moduleOption, outOption, dirOption, allOption});
    parser.process(app);

    QStringList modules = parser.values(moduleOption);
    if (modules.isEmpty())
        modules = {QStringLiteral("english"), QStringLiteral("chinese")};
    const QStringList dirs =
        parser.isSet(dirOption) ? QStringList{parser.value(dirOption)} : QStringList{};
    const QDir out(parser.value(outOption));
    QDir().mkpath(out.absolutePath());
    QTextStream report(stdout);

    int failures = 0;
    int problems = 0;
    for (const QString& name : modules) {
        QString error;
        const auto module = ResourceModule::load(name, &error, dirs);
        if (!module) {
            report << error << "\n";
            ++failures;
            continue;
        }
        for (int id : kDialogs) {
            QWidget* dialog = module->loadDialog(id, nullptr, &error);
            if (dialog == nullptr) {
                report << error << "\n";
                ++failures;
                continue;
            }
            dialog->setAttribute(Qt::WA_DontShowOnScreen);
            dialog->show();
            QCoreApplication::processEvents();
            problems += check(name, id, dialog, report);
            dialog->grab().save(out.filePath(QStringLiteral("%1-%2.png").arg(name).arg(id)));
            if (parser.isSet(allOption)) {
                const auto children =
                    dialog->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
                for (QWidget* w : children)
                    w->show();
                QCoreApplication::processEvents();
                dialog->grab().save(
                    out.filePath(QStringLiteral("%1-%2-all.png").arg(name).arg(id)));
            }
            delete dialog;
        }
    }
    report << problems << " layout problem(s); pictures in " << out.absolutePath() << "\n";
    return failures == 0 ? 0 : 1;
}
