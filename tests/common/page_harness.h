// Builds one page on its template, as the wizard does, for block-in, block-out tests.
#pragma once

#include "page.h"
#include "scripted_prompter.h"
#include "test_resources.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <functional>
#include <map>
#include <memory>

// Creates page class T for template `templateId` of `module`, bound to `block`.
template <class T>
std::unique_ptr<T> makePage(ConfigBlock& block, int templateId, Prompter* prompter = nullptr,
                            const QString& module = QStringLiteral("english"))
{
    // In the frame a page always has the prompter, which gives it the texts of the module its
    // form comes from; a test without one gets one that answers the defaults.
    static std::map<QString, ScriptedPrompter> quiet;
    if (prompter == nullptr)
        prompter = &quiet[module];
    if (auto* scripted = dynamic_cast<ScriptedPrompter*>(prompter))
        scripted->texts = [module](int id) { return testModule(module).string(id); };
    auto page = std::make_unique<T>(block, prompter);
    QString error;
    QWidget* form = testModule(module).loadDialog(templateId, page.get(), &error);
    EXPECT_NE(form, nullptr) << error.toStdString();
    page->setForm(form);
    return page;
}

// Controls of a page under test; a missing control is a test failure where the test needs it.
inline QSlider* slider(const Page& p, int id)
{
    auto* s = p.control<QSlider>(id);
    EXPECT_NE(s, nullptr) << id;
    return s;
}
inline QComboBox* combo(const Page& p, int id)
{
    auto* c = p.control<QComboBox>(id);
    EXPECT_NE(c, nullptr) << id;
    return c;
}
inline QString text(const Page& p, int id)
{
    auto* l = p.control<QLabel>(id);
    return l ? l->text() : QStringLiteral("<missing %1>").arg(id);
}

// A block as a controller of that software version would hold it: every byte set to a
// recognisable pattern, then the version bytes.
inline ConfigBlock blockWithVersion(int major, int minor)
{
    ConfigBlock b;
    for (int i = 0; i < kConfigBlockSize; ++i)
        b.setByte(i, static_cast<std::uint8_t>(0x5A ^ (i * 7)));
    b.setSoftwareVersion(static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor));
    return b;
}

// The offsets of the bytes in which a and b differ, for readable failures.
inline std::string blockDiff(const ConfigBlock& a, const ConfigBlock& b)
{
    std::string out;
    for (int i = 0; i < kConfigBlockSize; ++i)
        if (a.byte(i) != b.byte(i))
            out += "byte " + std::to_string(i) + ": " + std::to_string(a.byte(i)) + " vs " +
                   std::to_string(b.byte(i)) + "\n";
    return out;
}

// A fixture for one page class: open() builds and loads the page on `block`; expectStore()
// lets an action work the controls, stores, and compares the whole block with the expected one.
template <class T> class PageTest : public ::testing::Test
{
protected:
    using Act = std::function<void(T&)>;

    std::unique_ptr<T> open(const QString& module = QStringLiteral("english"))
    {
        auto page = makePage<T>(block, T::kTemplateId, &prompter, module);
        page->show();
        page->load();
        return page;
    }
    void expectStore(const Act& act, const ConfigBlock& expected,
                     const QString& module = QStringLiteral("english"))
    {
        auto page = open(module);
        if (act)
            act(*page);
        EXPECT_TRUE(page->store());
        EXPECT_EQ(block, expected) << blockDiff(block, expected);
        EXPECT_TRUE(prompter.told.isEmpty());
    }

    ConfigBlock block;
    ScriptedPrompter prompter;
};
