// The Qt port's property sheet (a dialog of tabs, one page per tab, with OK
// and Cancel) and the executable's version data, which here is compiled in
// rather than read from a resource in the file.
#include "ports/qt/qtPortImpl.h"

#include "res/versionInfo.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <charconv>
#include <cstdio>
#include <system_error>

namespace orbel::qt {

namespace {

// The sheet's own window: its close box, Escape, Enter and the two buttons
// arrive here as the messages a dialog gets, and end its run.
class SheetHandler : public WindowHandler {
public:
    explicit SheetHandler(QEventLoop& loop) : m_loop(loop) {}
    LResult windowProc(Hwnd, unsigned msg, WParam wParam, LParam) override {
        if (msg == kWmClose) end(kIdCancel);
        if (msg == kWmCommand && (wParam & 0xFFFF) == kIdOkCommand) end(kIdOk);
        if (msg == kWmCommand && (wParam & 0xFFFF) == kIdCancelCommand) end(kIdCancel);
        return 0;
    }
    LResult result() const { return m_result; }
    bool ended() const { return m_ended; }

private:
    void end(LResult result) {
        if (m_ended) return;
        m_ended = true;
        m_result = result;
        m_loop.exit(0);
    }
    QEventLoop& m_loop;
    LResult m_result = kIdCancel;
    bool m_ended = false;
};

class SheetKeys : public QObject {
public:
    SheetKeys(QtPort& port, Hwnd sheet, QObject* parent)
        : QObject(parent), m_port(port), m_sheet(sheet) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Close) {
            e->ignore();
            m_port.postMessage(m_sheet, kWmClose, 0, 0);
            return true;
        }
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_port.postMessage(m_sheet, kWmCommand,
                                   key == Qt::Key_Escape ? kIdCancelCommand : kIdOkCommand, 0);
                return true;
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    QtPort& m_port;
    Hwnd m_sheet;
};

} // namespace

LResult QtPort::propertySheet(std::string_view caption, const std::vector<PropertyPage>& pages,
                              unsigned) {
    LResult result = kIdCancel;
    runOnUiThread([&] {
        QEventLoop loop;
        SheetHandler handler(loop);
        auto* sheet =
            new QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                     Qt::WindowCloseButtonHint);
        sheet->setWindowTitle(fromCp932(caption));
        QtWindow sheetWindow;
        sheetWindow.handler = &handler;
        sheetWindow.widget = sheet;
        const Hwnd sheetHwnd = addWindow(std::move(sheetWindow));
        // endDialog on the sheet's window ends the run too.
        QtWindow* sheetEntry = window(sheetHwnd);
        {
            std::lock_guard lock(m_impl->windows.mutex);
            sheetEntry->loop = &loop;
        }
        sheet->installEventFilter(new SheetKeys(*this, sheetHwnd, sheet));

        auto* tabs = new QTabWidget(sheet);
        std::vector<QWidget*> holders;
        std::vector<Hwnd> created(pages.size());
        for (const PropertyPage& page : pages) {
            const res::DialogTemplate* t = res::findDialogTemplate(page.templateId);
            auto* holder = new QWidget;
            // Every page at its template's size, whether built yet or not.
            if (t) {
                const DialogUnits du = DialogUnits::of(dialogFont(*t));
                holder->setMinimumSize(du.x(t->cx), du.y(t->cy));
            }
            if (t) sheet->setFont(dialogFont(*t));
            tabs->addTab(holder, t ? fromCp932(t->caption) : QString());
            holders.push_back(holder);
        }
        // A page is made when the user first shows it; page 0 at once.
        auto createPage = [&](int index) {
            const auto i = static_cast<std::size_t>(index);
            if (index < 0 || i >= pages.size() || !isNull(created[i])) return;
            QtWindow w;
            w.handler = pages[i].handler;
            w.templateId = pages[i].templateId;
            w.parent = sheetHwnd;
            const Hwnd hwnd = addWindow(std::move(w));
            created[i] = hwnd;
            QtWindow* win = window(hwnd);
            QWidget* widget = buildDialog(pages[i].templateId, hwnd, *win, holders[i]);
            {
                std::lock_guard lock(m_impl->windows.mutex);
                win->widget = widget;
            }
            if (widget) widget->show();
            deliver(hwnd, kWmInitDialog, 0, 0);
        };
        createPage(0);
        connect(tabs, &QTabWidget::currentChanged, sheet, createPage);

        // OK and Cancel only: the sheet asks for no Apply button.
        auto* buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, sheet);
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral(u"キャンセル"));
        for (QAbstractButton* b : buttons->buttons())
            if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);
        connect(buttons, &QDialogButtonBox::accepted, sheet,
                [this, sheetHwnd] { postMessage(sheetHwnd, kWmCommand, kIdOkCommand, 0); });
        connect(buttons, &QDialogButtonBox::rejected, sheet,
                [this, sheetHwnd] { postMessage(sheetHwnd, kWmCommand, kIdCancelCommand, 0); });
        auto* layout = new QVBoxLayout(sheet);
        layout->addWidget(tabs);
        layout->addWidget(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);

        sheet->show();
        sheet->raise();
        sheet->activateWindow();
        loop.exec();
        sheet->hide();
        result = handler.result();
        {
            std::lock_guard lock(m_impl->windows.mutex);
            if (!handler.ended() && sheetEntry->ended) result = sheetEntry->result;
            sheetEntry->loop = nullptr;
        }

        if (result == kIdOk) {
            for (const Hwnd page : created) {
                if (isNull(page)) continue;
                NmHdr header{sheetHwnd, 0, kPsnApply};
                deliver(page, kWmNotify, 0, reinterpret_cast<LParam>(&header));
            }
        }
        for (const Hwnd page : created) {
            if (isNull(page)) continue;
            deliver(page, kWmDestroy, 0, 0);
            removeWindow(page);
        }
        removeWindow(sheetHwnd);
    });
    return result;
}

// --- the version data ---------------------------------------------------------

std::optional<std::string> QtPort::getFileVersionInfo(std::string_view file) {
    // Only the running program carries the resource, compiled into it.
    std::error_code ec;
    const std::filesystem::path self = executablePath();
    if (self.empty() || !std::filesystem::equivalent(nativePath(file), self, ec) || ec) {
        setLastError(ENOENT);
        return std::nullopt;
    }
    return res::packVersionBlock(res::versionValues());
}

std::optional<std::string> QtPort::verQueryValue(const std::string& block,
                                                 std::string_view subBlock) {
    return res::findInVersionBlock(block, subBlock);
}

} // namespace orbel::qt
