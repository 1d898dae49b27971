// The help sheet: a fixed reference of the file, editing and export commands with their keys.
// The keys are read from the window's own actions, so they always match the menus. UI thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QAction;
class QPushButton;

namespace lumara::ui {

class HelpView : public QDialog {
    Q_OBJECT
public:
    // `actionNamed` gives the window's action for an object name ("openAction", ...), or null.
    HelpView(std::function<QAction*(const char*)> actionNamed, QWidget* parent = nullptr);

    struct Row {
        QString section;
        QString label;
        QString keys; // as shown
    };
    // Every row as shown, top to bottom (read back from the labels).
    std::vector<Row> rows() const;
    QPushButton* doneButton() const { return m_done; }

private:
    QPushButton* m_done = nullptr;
};

// How the help sheet shows an action's shortcut: its first key sequence in this platform's form
// ("Ctrl+Shift+S"); empty without a shortcut.
QString shortcutText(const QAction* action);

} // namespace lumara::ui
