// CNotifyDlg: the notification popup's content, an icon, a bold title and a
// body text, on top of CSlideDlg's motion. The main window holds one for its
// whole life and the phase change notification calls showNotification; the
// window is created on the first call and reused for every later one.
//
// The popup owns the icon handed to it and the title's bold font, and
// releases both with its window. UI thread only.
#pragma once

#include "popup/slideDlg.h"

#include <string>
#include <string_view>

namespace orbel {

class CNotifyDlg : public CSlideDlg {
public:
    static constexpr unsigned kTemplateId = 151;
    static constexpr int kIdcIcon = 1029;
    static constexpr int kIdcTitle = 1030;
    static constexpr int kIdcText = 1024;

    explicit CNotifyDlg(COrbelApp& app);
    ~CNotifyDlg() override;

    // Shows title and text (CP932) with the icon, which the popup adopts in
    // every case, and starts a cycle unless one runs. 0 when a cycle was
    // started or is running; -1 when the window cannot be created or there
    // is no start position (the content then waits for the next start).
    int showNotification(int slideMs, int stayMs, std::string_view title, std::string_view text,
                         HIcon icon);

    void setTexts(std::string_view title, std::string_view text);
    // Destroys the icon held so far and shows the new one.
    void setIcon(HIcon icon);

    const std::string& text() const { return m_text; }
    HIcon icon() const { return m_icon; }
    HFont titleFont() const { return m_titleFont; }

protected:
    LResult onInitDialog(Hwnd hwnd) override;

private:
    std::string m_text;
    HIcon m_icon{};
    HFont m_titleFont{};
};

} // namespace orbel
