// The field table, typed access to the block, the controller key and the backup file.
#include "backup_file.h"
#include "config_block.h"
#include "field_rules.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(FieldTable, EveryByteIsCoveredOnceAndOnlyIndexedBytesAreShared)
{
    int count = 0;
    const FieldDef* table = fieldTable(&count);
    int owners[kConfigBlockSize] = {};
    int bitOwners[kConfigBlockSize][8] = {};
    for (int i = 0; i < count; ++i) {
        const FieldDef& d = table[i];
        ASSERT_GE(d.offset, 0);
        ASSERT_LE(d.offset + d.width, kConfigBlockSize) << d.name;
        EXPECT_EQ(findField(d.name), &d) << d.name;
        if (d.alias)
            continue;
        if (d.kind == FieldKind::Flag) {
            EXPECT_EQ(d.width, 1);
            for (int b = 0; b < 8; ++b)
                if (d.mask & (1 << b))
                    ++bitOwners[d.offset][b];
            continue;
        }
        for (int j = 0; j < d.width; ++j)
            ++owners[d.offset + j];
    }
    const std::set<int> flagBytes{0, 1, 45};
    for (int o = 0; o < kConfigBlockSize; ++o) {
        if (flagBytes.count(o)) {
            EXPECT_EQ(owners[o], 0) << "byte " << o;
            for (int b = 0; b < 8; ++b)
                EXPECT_LE(bitOwners[o][b], 1) << "byte " << o << " bit " << b;
        } else {
            EXPECT_EQ(owners[o], 1) << "byte " << o;
        }
    }
    // Bytes 4 and 5 carry other fields on older software.
    EXPECT_EQ(fieldDef(Field::ThrottleStartEndSteps).offset,
              fieldDef(Field::ThrottleStartPosition).offset);
    EXPECT_EQ(fieldDef(Field::BrakeSensorStartEndSteps).offset,
              fieldDef(Field::ThrottleEndPosition).offset);
}

TEST(ConfigBlock, FlagsTouchOnlyTheirBitAndNumbersAreBigEndian)
{
    ConfigBlock block;
    EXPECT_EQ(block.byte(0), 0xFF);
    block.setByte(1, 0b1010'0101);
    block.setFlag(Field::Regeneration, true);
    EXPECT_EQ(block.byte(1), 0b1110'0101);
    block.setFlag(Field::FootSwitch, false);
    EXPECT_EQ(block.byte(1), 0b1110'0100);
    EXPECT_TRUE(block.flag(Field::PowerOnHighPedalDisable));

    block.set(Field::IdentityNumber, 2097151);
    EXPECT_EQ(block.byte(119), 0x1F);
    EXPECT_EQ(block.byte(120), 0xFF);
    EXPECT_EQ(block.byte(121), 0xFF);
    EXPECT_EQ(block.byte(122), 0xFF); // the next field is untouched
    block.set(Field::ReceiveId, 0x0123);
    EXPECT_EQ(block.byte(57), 0x01);
    EXPECT_EQ(block.byte(58), 0x23);
    EXPECT_EQ(block.get(Field::ReceiveId), 0x0123u);
}

TEST(ConfigBlock, VersionComparesMajorFirstAndKeyKeepsLeadingZeros)
{
    ConfigBlock block;
    block.setByte(83, 0x02);
    block.setByte(84, 0x09);
    block.setByte(76, 0x1A);
    block.setByte(77, 0x2B);
    block.setByte(78, 0x3C);
    block.setByte(79, 0x4D);
    EXPECT_EQ(ControllerKey(block), "02091A2B3C4D");
    EXPECT_EQ(versionText(block), "0209");
    EXPECT_TRUE(block.versionAtLeast(2, 9));
    EXPECT_FALSE(block.versionAtLeast(3, 0));
    block.setByte(83, 0x03);
    block.setByte(84, 0x00);
    EXPECT_TRUE(block.versionAtLeast(2, 9)); // minor 0 of major 3 is later than 2.9
    EXPECT_FALSE(block.versionAtLeast(3, 2));
}

class BackupFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    ConfigBlock image()
    {
        ConfigBlock b;
        for (int i = 0; i < kConfigBlockSize; ++i)
            b.setByte(i, static_cast<std::uint8_t>(i * 3));
        return b;
    }
    void writeRaw(const QString& path, const QByteArray& data)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
};

TEST_F(BackupFileTest, WrittenOnceThenKeptAndReadBack)
{
    BackupFile file(dir.path(), "02091A2B3C4D");
    EXPECT_TRUE(file.path().endsWith("/02091A2B3C4DN.n"));
    EXPECT_EQ(file.saveIfMissing(image()), BackupFile::SaveResult::Written);
    ConfigBlock other;
    EXPECT_EQ(file.saveIfMissing(other), BackupFile::SaveResult::KeptExisting);
    ConfigBlock back;
    ASSERT_TRUE(file.read(&back));
    EXPECT_EQ(back, image());
    EXPECT_EQ(QFile(file.path()).size(), 128);
}

TEST_F(BackupFileTest, EmptyFileIsReplacedAndWrongSizesAreNotRestored)
{
    BackupFile file(dir.path(), "000000000000");
    writeRaw(file.path(), QByteArray());
    EXPECT_EQ(file.saveIfMissing(image()), BackupFile::SaveResult::Written);
    EXPECT_EQ(QFile(file.path()).size(), 128);

    for (int size : {0, 64, 127, 129}) {
        writeRaw(file.path(), QByteArray(size, '\x5A'));
        ConfigBlock block = image();
        QString why;
        EXPECT_FALSE(file.read(&block, &why)) << size;
        EXPECT_EQ(block, image()) << "a bad file must leave the block alone";
        EXPECT_TRUE(why.contains("bytes")) << why.toStdString();
    }
    QFile::remove(file.path());
    QString why;
    ConfigBlock block;
    EXPECT_FALSE(file.read(&block, &why));
    EXPECT_FALSE(why.isEmpty());
}

TEST_F(BackupFileTest, UnwritableFolderFailsWithAReason)
{
    BackupFile file(dir.path() + "/missing/folder", "020400000001");
    QString why;
    EXPECT_EQ(file.saveIfMissing(image(), &why), BackupFile::SaveResult::Failed);
    EXPECT_FALSE(why.isEmpty());
}

} // namespace
