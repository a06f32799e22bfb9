#include "ReportWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QtTest/QTest>
#include <chrono>
#include <utility>

namespace dimrix::testing {

namespace {

constexpr std::chrono::milliseconds kLookInterval{5};

}  // namespace

ReportWatcher::ReportWatcher(std::function<void(QMessageBox&)> onShown,
                             std::function<bool()> dismissWhen)
    : m_onShown(std::move(onShown)), m_dismissWhen(std::move(dismissWhen)) {
    connect(&m_poll, &QTimer::timeout, this, &ReportWatcher::Look);
    m_poll.start(kLookInterval);
}

void ReportWatcher::Look() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
        return;
    }
    if (!m_boxSeen) {
        m_boxSeen = true;
        m_reports.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                             static_cast<int>(box->buttons().size())});
        if (m_onShown) {
            m_onShown(*box);
        }
    }
    if (!m_dismissWhen || m_dismissWhen()) {
        // Boxes are answered one at a time, so the next box seen is a new one even if
        // it happens to live at the same address.
        m_boxSeen = false;
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            QTest::mouseClick(ok, Qt::LeftButton);
        } else {
            box->reject();  // not the box the window should show; the test says so
        }
    }
}

}  // namespace dimrix::testing
