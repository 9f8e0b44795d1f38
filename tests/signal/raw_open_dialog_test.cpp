#include "raw_open_dialog.h"

#include <QComboBox>
#include <QSpinBox>
#include <QTest>

#include "named_child.h"

#include <gtest/gtest.h>

using namespace kelvox;
using namespace kelvox::test;

TEST(RawOpenDialog, ShowsTheGivenValuesAndReturnsTheEditedOnes)
{
    const RawParameters initial{.rateHz = 22050, .channels = 2, .format = RawSampleFormat::Alaw, .skipBytes = 44};
    RawOpenDialog dialog("take.pcm", initial);
    EXPECT_EQ(dialog.windowTitle(), "Open raw take.pcm");
    auto* rate = namedChild<QSpinBox>(dialog, "RateSpin");
    auto* channels = namedChild<QSpinBox>(dialog, "ChannelsSpin");
    auto* format = namedChild<QComboBox>(dialog, "FormatCombo");
    auto* skip = namedChild<QSpinBox>(dialog, "SkipSpin");
    EXPECT_EQ(rate->value(), 22050);
    EXPECT_EQ(channels->value(), 2);
    EXPECT_EQ(format->currentText(), "alaw");
    EXPECT_EQ(skip->value(), 44);
    // Every format is offered, by the names kelvox-render --raw takes.
    ASSERT_EQ(format->count(), 9);
    EXPECT_EQ(format->itemText(0), "s16le");
    EXPECT_EQ(format->itemText(8), "ulaw");

    rate->setValue(8000);
    channels->setValue(1);
    format->setCurrentIndex(format->findText("f32le"));
    skip->setValue(0);
    const RawParameters p = dialog.parameters();
    EXPECT_EQ(p.rateHz, 8000);
    EXPECT_EQ(p.channels, 1);
    EXPECT_EQ(p.format, RawSampleFormat::F32le);
    EXPECT_EQ(p.skipBytes, 0);

    // Typed values beyond the limits are held at them.
    channels->setValue(0);
    EXPECT_EQ(dialog.parameters().channels, 1);
}
