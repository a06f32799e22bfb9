#include "WindowFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QtTest/QTest>
#include <sstream>

#include "serial/qt/QtPortService.h"

namespace dimrix::testing {

namespace {

// Enough event-loop passes for queued bytes to reach the line, and for anything sent
// by mistake to show up after them.
constexpr int kSettleTicks = 4;

std::string Decimals(const Bytes& bytes) {
    std::ostringstream out;
    out << "{";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out << (i == 0 ? "" : ", ") << static_cast<int>(bytes[i]);
    }
    out << "} (" << bytes.size() << " bytes)";
    return out.str();
}

}  // namespace

WindowFixture::WindowFixture()
    : m_form(std::make_unique<window::Form1>(std::make_unique<serial::QtPortService>(
          serial::PortPaths{m_com1.SlavePath(), m_com2.SlavePath()}))) {
    m_form->show();
    if (!QTest::qWaitForWindowExposed(m_form.get())) {
        throw std::runtime_error("the window never showed");
    }
}

WindowFixture::~WindowFixture() {
    if (m_form->isVisible()) {
        m_form->close();
    }
}

std::string WindowFixture::TextOf(const QString& name) const {
    QWidget* widget = Find(name);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text().toStdString();
    }
    return Find<QLineEdit>(name)->text().toStdString();
}

void WindowFixture::Click(const QString& button) const {
    QTest::mouseClick(Find<QAbstractButton>(button), Qt::LeftButton);
}

QRect WindowFixture::PartOf(const QScrollBar& bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar.orientation();
    option.minimum = bar.minimum();
    option.maximum = bar.maximum();
    option.sliderPosition = bar.sliderPosition();
    option.sliderValue = bar.value();
    option.singleStep = bar.singleStep();
    option.pageStep = bar.pageStep();
    option.upsideDown = bar.invertedAppearance();
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, part, &bar);
}

void WindowFixture::ClickOn(const QString& scrollBar, QStyle::SubControl part) const {
    auto* bar = Find<QScrollBar>(scrollBar);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, PartOf(*bar, part).center());
}

bool WindowFixture::WaitUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, static_cast<int>(kDeadline.count()));
}

void WindowFixture::LetTicksPass(int ticks) const {
    int seen = 0;
    const QMetaObject::Connection counting =
        QObject::connect(Find<QTimer>("Timer2"), &QTimer::timeout, [&seen] { ++seen; });
    EXPECT_TRUE(WaitUntil([&] { return seen >= ticks; })) << "the fade timer stopped";
    QObject::disconnect(counting);
}

void WindowFixture::Connect() {
    Click("Command1");
    ASSERT_TRUE(WaitUntil([this] { return m_com1.SlaveIsOpen(); }));
}

void WindowFixture::Forget(PseudoTerminal& line) const {
    LetTicksPass(kSettleTicks);
    line.Clear();
}

::testing::AssertionResult WindowFixture::Carries(PseudoTerminal& line,
                                                  const Bytes& expected) const {
    static_cast<void>(WaitUntil([&] { return line.Received().size() >= expected.size(); }));
    LetTicksPass(kSettleTicks);
    const Bytes& received = line.Received();
    if (received == expected) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the line carried " << Decimals(received)
                                         << "\n  but should carry " << Decimals(expected);
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

}  // namespace dimrix::testing
