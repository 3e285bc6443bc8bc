// Runs norvelctl's commands in-process against simulated controllers on real pseudo-terminals.
#pragma once

#include "cli_tool.h"
#include "config_block.h"
#include "sim_server.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct CliRun
{
    int code;
    QString out;
    QString err;
};

class CliFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        server = startServer(SimOptions{});
        ASSERT_NE(server, nullptr);
    }

    // Starts another simulated controller; it lives until the test ends. Null when it did not
    // start (the failure is recorded).
    SimServer* startServer(const SimOptions& options)
    {
        auto s = std::make_unique<SimServer>(options);
        QString error;
        if (!s->start(&error)) {
            ADD_FAILURE() << "the simulator did not start: " << error.toStdString();
            return nullptr;
        }
        servers.push_back(std::move(s));
        return servers.back().get();
    }
    static SimOptions preset(const QString& name)
    {
        SimOptions options;
        options.preset = name;
        return options;
    }
    static SimOptions image(const ConfigBlock& block)
    {
        SimOptions options;
        options.image = block;
        options.hasImage = true;
        return options;
    }

    CliRun run(QStringList args, const QString& input = QString())
    {
        QString out, err, in = input;
        QTextStream o(&out), e(&err), i(&in);
        CliTool tool(o, e, i);
        const int code = tool.run(args);
        o.flush();
        e.flush();
        return {code, out, err};
    }
    // Backups go to the test's own folder, never to the build folder or the user's.
    QStringList withPort(const QStringList& args) { return withPortOf(server, args); }
    QStringList withPortOf(const SimServer* s, const QStringList& args)
    {
        return QStringList{"--port", s->devicePath(), "--backup-dir", dir.path()} + args;
    }

    QString writeFile(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
        f.write(data);
        return path;
    }
    static QByteArray readFile(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        return f.readAll();
    }
    // The controller's block as `read` delivers it: version bytes from the identify reply.
    ConfigBlock controllerImage() const { return controllerImageOf(server); }
    static ConfigBlock controllerImageOf(const SimServer* s)
    {
        ConfigBlock b = s->storedImage();
        b.setByte(83, s->versionMajor());
        b.setByte(84, s->versionMinor());
        return b;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<SimServer>> servers;
    SimServer* server = nullptr; // the first one, started for every test
};
