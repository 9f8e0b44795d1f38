// The labels dialog driven through its controls: choosing a TextGrid and its tier,
// a file without tiers, "None", and a file that cannot be used.
#include "label_choice_dialog.h"

#include "label_files.h"
#include "named_child.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

namespace {

const std::vector<GridTier> kTiers = {
    {"words", false, {{0.0, 0.5, "ðə"}, {0.5, 1.0, "bɜːd"}}},
    {"phones", false, {{0.0, 0.2, "ð"}, {0.2, 0.5, "ə"}, {0.5, 1.0, "b"}}},
};

struct Dialog : ::testing::Test {
    TempFolder dir;
    LabelChoiceDialog dialog{LabelChoice{}, 16000.0};
    QString chosen;  // what the file chooser answers

    Dialog()
    {
        dialog.setFileChooser([this](QWidget*, const QString&, const QString& filter) {
            EXPECT_TRUE(filter.contains("*.TextGrid"));
            return chosen;
        });
    }
    template <typename T>
    T* child(const char* name)
    {
        return namedChild<T>(dialog, name);
    }
    void choose(const std::string& path)
    {
        chosen = QString::fromStdString(path);
        QTest::mouseClick(child<QPushButton>("ButtonChoose"), Qt::LeftButton);
    }
};

}  // namespace

TEST_F(Dialog, ATextGridOffersItsTiersAndKeepsTheOneChosen)
{
    EXPECT_EQ(child<QLineEdit>("EditFile")->text(), "none");
    const std::string path = dir.write("take.TextGrid", utf16(longTextGrid(kTiers, 1.0), true));
    choose(path);
    QComboBox* tier = child<QComboBox>("ComboBoxTier");
    EXPECT_TRUE(tier->isEnabled());
    ASSERT_EQ(tier->count(), 2);
    EXPECT_EQ(tier->itemText(1), "phones");
    EXPECT_EQ(dialog.choice(), (LabelChoice{path, "words"}));
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "TextGrid, 2 tiers: 2 labels");

    tier->setCurrentIndex(1);
    EXPECT_EQ(dialog.choice(), (LabelChoice{path, "phones"}));
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "TextGrid, 2 tiers: 3 labels");

    QTest::mouseClick(child<QPushButton>("ButtonNone"), Qt::LeftButton);
    EXPECT_EQ(dialog.choice(), LabelChoice{});
    EXPECT_EQ(child<QLineEdit>("EditFile")->text(), "none");
    EXPECT_FALSE(tier->isEnabled());
}

TEST_F(Dialog, AFileWithoutTiersHasNoTierToChoose)
{
    const std::string path = dir.write("SA1.PHN", "0 3050 h#\n3050 4559 sh\n");
    choose(path);
    EXPECT_FALSE(child<QComboBox>("ComboBoxTier")->isEnabled());
    EXPECT_EQ(child<QComboBox>("ComboBoxTier")->count(), 0);
    EXPECT_EQ(dialog.choice(), (LabelChoice{path, ""}));
    EXPECT_EQ(child<QLabel>("LabelStatus")->text(), "TIMIT: 2 labels");
}

TEST_F(Dialog, AnUnusableFileLeavesTheChoiceAndSaysWhy)
{
    const std::string good = dir.write("take.txt", "0.5\t1.0\tshe\n");
    choose(good);
    choose(dir.write("cut.TextGrid", "File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n"));
    EXPECT_EQ(dialog.choice(), (LabelChoice{good, ""}));
    EXPECT_TRUE(child<QLabel>("LabelStatus")->text().startsWith("cut.TextGrid is not usable: line 3"))
        << child<QLabel>("LabelStatus")->text().toStdString();
    choose("");  // cancelled
    EXPECT_EQ(dialog.choice(), (LabelChoice{good, ""}));
}
