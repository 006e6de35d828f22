// Answers the message boxes the current thread opens while it is alive and
// records their captions, texts and icons, so that code which reports to
// the user can run inside a test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CMessageBoxWatcher
{
public:
    struct Box
    {
        std::string strCaption; // GBK
        std::string strText;    // GBK
        HWND hOwner;            // the window it is modal to
    };
    // Runs when a box appears, before it is answered.
    using Action = std::function<void(HWND hBox, const std::string& strText)>;

    // nAnswer is the button pressed: IDOK, IDYES, IDNO, ...
    explicit CMessageBoxWatcher(int nAnswer = IDOK);
    ~CMessageBoxWatcher();

    CMessageBoxWatcher(const CMessageBoxWatcher&) = delete;
    CMessageBoxWatcher& operator=(const CMessageBoxWatcher&) = delete;

    const std::vector<Box>& Boxes() const { return m_boxes; }
    std::vector<std::string> Texts() const;
    void Clear() { m_boxes.clear(); }
    // The texts so far, forgotten here.
    std::vector<std::string> Take()
    {
        std::vector<std::string> texts = Texts();
        Clear();
        return texts;
    }
    void SetAnswer(int nAnswer) { m_nAnswer = nAnswer; }
    void SetAction(Action action) { m_action = std::move(action); }

private:
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);

    // A hook procedure has no context pointer; one watcher at a time.
    static CMessageBoxWatcher* s_pActive;

    HHOOK m_hHook = nullptr;
    int m_nAnswer;
    Action m_action;
    std::vector<Box> m_boxes;
};
