// The control panel's own controls, driven offscreen: the flat image button
// (size, clicks, toggle and disabled looks), the slider (its label, when it
// commits a value) and the drop-down list (loading items, hover look), and
// what they expose to accessibility tools.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "settings/BcxComboBox.h"
#include "settings/BcxSlider.h"
#include "settings/JDButton.h"

namespace {

void Hover(QWidget* w, bool enter) {
  if (enter) {
    const QPointF at(2, 2);
    QEnterEvent e(at, at, w->mapToGlobal(at));
    QApplication::sendEvent(w, &e);
  } else {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
  }
}

void Key(QWidget* w, QEvent::Type type, Qt::Key key, bool autoRepeat = false) {
  QKeyEvent e(type, key, Qt::NoModifier, QString(), autoRepeat);
  QApplication::sendEvent(w, &e);
}

int CountColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      n += (image.pixel(x, y) & 0xffffffu) == (colour & 0xffffffu);
  return n;
}

QString AccessibleText(QWidget* w, QAccessible::Text which) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
  return iface != nullptr ? iface->text(which) : QStringLiteral("<none>");
}

TEST(JDButton, ImagesWithoutTextTakeOneImagePlusFour) {
  CJDButton button;
  button.resize(60, 40);
  EXPECT_FALSE(button.SetImages(4242, 16, 0));
  EXPECT_EQ(button.size(), QSize(60, 40));
  ASSERT_TRUE(button.SetImages(IDB_SCROLL_ARROWS, 16, 0, 1, 2));
  EXPECT_EQ(button.size(), QSize(20, 12));

  CJDButton labelled(QStringLiteral("Text"));
  labelled.resize(60, 40);
  ASSERT_TRUE(labelled.SetImages(IDB_SCROLL_ARROWS, 16, 3));
  EXPECT_EQ(labelled.size(), QSize(60, 40));
}

TEST(JDButton, ACommandPerCompletedClickOnly) {
  CJDButton button(QStringLiteral("Go"));
  button.resize(40, 20);
  QSignalSpy clicked(&button, &QAbstractButton::clicked);

  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 1);

  // Pressed, dragged off and released outside: released without a command.
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(button.State(), 1);
  QTest::mouseMove(&button, QPoint(80, 10));
  EXPECT_FALSE(button.isDown());
  EXPECT_EQ(button.State(), 0);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(80, 10));
  EXPECT_EQ(clicked.count(), 1);

  Key(&button, QEvent::KeyPress, Qt::Key_Space);
  Key(&button, QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(clicked.count(), 2);

  button.setEnabled(false);
  QTest::mouseClick(&button, Qt::LeftButton);
  Key(&button, QEvent::KeyPress, Qt::Key_Space);
  Key(&button, QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(clicked.count(), 2);
}

TEST(JDButton, ImagesFollowHoverToggleAndDisabledStates) {
  CJDButton button(QStringLiteral("Move"));
  button.resize(60, 24);
  ASSERT_TRUE(button.SetImages(IDB_SCROLL_ARROWS, 16, 3, 4, 5));
  EXPECT_EQ(button.CurrentImage(), 3);
  Hover(&button, true);
  EXPECT_EQ(button.CurrentImage(), 4);
  EXPECT_EQ(button.State(), 2);
  Hover(&button, false);
  EXPECT_EQ(button.State(), 0);

  button.SetToggleMode(true);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_TRUE(button.isChecked());
  Hover(&button, false);
  EXPECT_EQ(button.CurrentImage(), 4);  // checked shows the hot image
  EXPECT_EQ(button.State(), 1);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_FALSE(button.isChecked());
  EXPECT_EQ(button.CurrentImage(), 3);

  // Disabled: the disabled image even under the mouse, and embossed text
  // (a copy in the light colour beside the one in the shadow colour).
  const QRgb light = button.palette().color(QPalette::Light).rgb();
  const int lightEnabled = CountColour(button.grab().toImage(), light);
  button.setEnabled(false);
  Hover(&button, true);
  EXPECT_EQ(button.CurrentImage(), 5);
  EXPECT_GT(CountColour(button.grab().toImage(), light), lightEnabled + 5);
}

TEST(JDButton, AccessibleNameIsTheTextOrTheToolTip) {
  CJDButton labelled(QStringLiteral("&Apply"));
  EXPECT_EQ(AccessibleText(&labelled, QAccessible::Name), QStringLiteral("Apply"));
  CJDButton bare;
  bare.SetTooltipText(QStringLiteral("Move upper"), false);
  EXPECT_EQ(bare.toolTip(), QStringLiteral("Move upper"));
  EXPECT_EQ(AccessibleText(&bare, QAccessible::Name), QStringLiteral("Move upper"));
}

class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    slider.setRange(-500, 500);
    slider.setValue(0);
    slider.resize(200, 30);
    slider.SetBuddyLabel(&label);
  }
  CBcxSlider slider;
  QLabel label;
};

TEST_F(SliderTest, LabelShowsTheValueHoweverItChanged) {
  EXPECT_EQ(label.text(), QStringLiteral("0"));
  Key(&slider, QEvent::KeyPress, Qt::Key_Right);
  EXPECT_EQ(label.text(), QStringLiteral("1"));
  Key(&slider, QEvent::KeyPress, Qt::Key_Home);
  EXPECT_EQ(label.text(), QStringLiteral("-500"));
  slider.blockSignals(true);
  slider.setValue(120);
  slider.blockSignals(false);
  EXPECT_EQ(label.text(), QStringLiteral("120"));
  slider.setRange(-20, 20);
  EXPECT_EQ(label.text(), QStringLiteral("20"));

  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&slider);
  ASSERT_NE(iface, nullptr);
  ASSERT_NE(iface->valueInterface(), nullptr);
  EXPECT_EQ(iface->valueInterface()->currentValue().toInt(), 20);
  EXPECT_EQ(iface->valueInterface()->minimumValue().toInt(), -20);
}

TEST_F(SliderTest, KeysCommitOnceWhenTheKeyGoesUp) {
  QSignalSpy committed(&slider, &CBcxSlider::Committed);
  Key(&slider, QEvent::KeyPress, Qt::Key_Right);
  Key(&slider, QEvent::KeyRelease, Qt::Key_Right, true);  // auto-repeat
  Key(&slider, QEvent::KeyPress, Qt::Key_Right, true);
  EXPECT_EQ(committed.count(), 0);
  Key(&slider, QEvent::KeyRelease, Qt::Key_Right);
  ASSERT_EQ(committed.count(), 1);
  EXPECT_EQ(committed[0][0].toInt(), 2);
  // A key that moves nothing commits nothing.
  Key(&slider, QEvent::KeyPress, Qt::Key_Tab);
  Key(&slider, QEvent::KeyRelease, Qt::Key_Tab);
  EXPECT_EQ(committed.count(), 1);
}

TEST_F(SliderTest, MouseCommitsOnReleaseAndTheWheelOnceItRests) {
  QSignalSpy committed(&slider, &CBcxSlider::Committed);
  // The thumb is painted where the mouse finds it: kept inside the slider.
  EXPECT_EQ(CBcxSlider::ThumbRect(slider.size(), -500, 500, -500), QRect(0, 19, 16, 10));
  EXPECT_EQ(CBcxSlider::ThumbRect(slider.size(), -500, 500, 500), QRect(184, 19, 16, 10));
  const QPoint thumb = CBcxSlider::ThumbRect(slider.size(), -500, 500, 0).center();
  QTest::mousePress(&slider, Qt::LeftButton, {}, thumb);
  QTest::mouseMove(&slider, thumb + QPoint(46, 0));
  EXPECT_EQ(slider.value(), 250);
  EXPECT_EQ(committed.count(), 0);
  QTest::mouseRelease(&slider, Qt::LeftButton, {}, thumb + QPoint(46, 0));
  ASSERT_EQ(committed.count(), 1);
  EXPECT_EQ(committed[0][0].toInt(), 250);

  const QPointF at = QPointF(thumb);
  for (int i = 0; i < 3; ++i) {
    QWheelEvent wheel(at, slider.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&slider, &wheel);
  }
  EXPECT_GT(slider.value(), 250);
  EXPECT_EQ(committed.count(), 1);
  QTRY_COMPARE_WITH_TIMEOUT(committed.count(), 2, 2000);
  EXPECT_EQ(committed[1][0].toInt(), slider.value());
  QTest::qWait(2 * CBcxSlider::kWheelSettleMs);
  EXPECT_EQ(committed.count(), 2);
}

TEST(BcxComboBox, ItemsComeOnePerLine) {
  EXPECT_EQ(CBcxComboBox::ItemsFromText("a\nb\n"), QStringList({"a", "b"}));
  EXPECT_EQ(CBcxComboBox::ItemsFromText("a\n\nb"), QStringList({"a", "", "b"}));
  EXPECT_EQ(CBcxComboBox::ItemsFromText("a\n\n"), QStringList({"a", ""}));

  // A string of three lines, loaded through the control's own id.
  const QString text = AfxString(IDS_INIT_FAILED_RESOURCES);
  ASSERT_EQ(text.count('\n'), 2);
  CBcxComboBox combo(IDS_INIT_FAILED_RESOURCES);
  EXPECT_EQ(combo.ControlId(), static_cast<int>(IDS_INIT_FAILED_RESOURCES));
  ASSERT_TRUE(combo.LoadItems());
  ASSERT_EQ(combo.count(), 3);
  EXPECT_EQ(combo.itemText(2), text.section('\n', 2));
  // A missing string leaves the list as it was.
  EXPECT_FALSE(combo.LoadItems(4242));
  EXPECT_EQ(combo.count(), 3);
  combo.setCurrentIndex(1);
  EXPECT_EQ(AccessibleText(&combo, QAccessible::Value), text.section('\n', 1, 1));
}

TEST(BcxComboBox, HoverHasItsOwnLook) {
  CBcxComboBox combo(0);
  combo.addItems({"x", "y"});
  combo.resize(120, 22);
  const QImage normal = combo.grab().toImage();
  Hover(&combo, true);
  EXPECT_TRUE(combo.IsMouseOver());
  EXPECT_NE(combo.grab().toImage(), normal);
  Hover(&combo, false);
  EXPECT_EQ(combo.grab().toImage(), normal);
}

// Not a check: draws docs/screenshots/custom-controls.png (first row normal,
// second row under the mouse). Run with --gtest_also_run_disabled_tests.
TEST(CustomControls, DISABLED_Screenshot) {
  QWidget panel;
  auto* grid = new QGridLayout(&panel);
  std::vector<QWidget*> hot;
  for (int row = 0; row < 2; ++row) {
    auto* up = new CJDButton;
    up->SetImages(IDB_SCROLL_ARROWS, 16, 0, 1, 2);
    auto* down = new CJDButton;
    down->SetImages(IDB_SCROLL_ARROWS, 16, 3, 4, 5);
    auto* text = new CJDButton(QStringLiteral("Move lower"));
    text->SetImages(IDB_SCROLL_ARROWS, 16, 3, 4, 5);
    auto* slider = new CBcxSlider;
    slider->setRange(-500, 500);
    slider->setValue(row == 0 ? 120 : -260);
    slider->setMinimumWidth(180);
    auto* label = new QLabel;
    slider->SetBuddyLabel(label);
    auto* combo = new CBcxComboBox(1004);
    combo->addItems(CBcxComboBox::ItemsFromText(QStringLiteral("系统默认\n分句\n忽略\n作为空格")));
    combo->setMinimumWidth(120);
    int column = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{up, down, text, slider, label, combo}) {
      grid->addWidget(w, row, column++, Qt::AlignVCenter);
      if (row == 1 && w != label) hot.push_back(w);
    }
  }
  panel.show();
  QApplication::processEvents();
  if (QApplication::focusWidget() != nullptr) QApplication::focusWidget()->clearFocus();
  for (QWidget* w : hot) Hover(w, true);
  ASSERT_TRUE(panel.grab().save(VUDEZE_SOURCE_DIR "/docs/screenshots/custom-controls.png"));
}

}  // namespace
