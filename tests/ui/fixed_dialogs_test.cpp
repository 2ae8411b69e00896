// Every fixed dialog of the program as a window manager shows it: a fixed client size that
// the window manager offers no way to change, and labels that show their whole text
// whatever font stands in for Arial. Runs offscreen and once more under a real window
// manager (the "wm" label).

#include <gtest/gtest.h>

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/instrument_session.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_frame.h"
#include "ui/about_form.h"
#include "ui/com_select_form.h"
#include "ui/download_form.h"
#include "ui/easter_egg_form.h"
#include "ui/serial_form.h"
#include "ui/upload_form.h"

namespace norvane::ui {
namespace {

// What the window manager lets the user do with a window (_NET_WM_ALLOWED_ACTIONS), as
// atom names; empty on any other platform than X11.
std::vector<std::string> AllowedActions(const QWidget& window) {
    // The offscreen platform may answer for X11 too, without a display behind it.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() != QStringLiteral("xcb") || x11 == nullptr ||
        x11->connection() == nullptr) {
        return {};
    }
    xcb_connection_t* connection = x11->connection();
    const auto atom = [connection](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return value;
    };
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, static_cast<xcb_window_t>(window.winId()),
                         atom("_NET_WM_ALLOWED_ACTIONS"), XCB_ATOM_ATOM, 0, 64),
        nullptr);
    std::vector<std::string> names;
    if (reply == nullptr) {
        return names;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / static_cast<int>(sizeof(xcb_atom_t));
    for (int i = 0; i < count; ++i) {
        xcb_get_atom_name_reply_t* name =
            xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atoms[i]), nullptr);
        if (name != nullptr) {
            names.emplace_back(xcb_get_atom_name_name(name), xcb_get_atom_name_name_length(name));
            std::free(name);
        }
    }
    std::free(reply);
    return names;
}

struct TDialogCase {
    const char* Name;
    QSize Client;
    // All the controls' area: the transfer dialogs show their lower part only while they
    // transfer.
    QSize Layout;
    std::function<std::unique_ptr<QDialog>(session::TInstrumentSession&, const QString& settings)>
        Make;
};

const std::vector<TDialogCase>& DialogCases() {
    static const std::vector<TDialogCase> cases{
        {"download",
         {391, 101},
         {391, 206},
         [](session::TInstrumentSession& s, const QString&) {
             return std::make_unique<TDownLoadForm>(s, TLogSink());
         }},
        {"upload",
         {391, 101},
         {391, 206},
         [](session::TInstrumentSession& s, const QString&) {
             return std::make_unique<TUpLoadForm>(s, TLogSink());
         }},
        {"port settings",
         {360, 167},
         {360, 167},
         [](session::TInstrumentSession& s, const QString& settings) {
             return std::make_unique<TSerialForm>(s, settings);
         }},
        {"select port",
         {220, 131},
         {220, 131},
         [](session::TInstrumentSession&, const QString&) {
             return std::make_unique<TComSelectForm>();
         }},
        {"about box",
         {407, 248},
         {407, 248},
         [](session::TInstrumentSession&, const QString&) {
             return std::make_unique<TAboutForm>();
         }},
        {"hidden picture",
         {353, 323},
         {353, 323},
         [](session::TInstrumentSession&, const QString&) {
             return std::make_unique<TEasterEggForm>();
         }},
    };
    return cases;
}

class FixedDialogs : public ::testing::Test {
  protected:
    std::unique_ptr<QDialog> Make(const TDialogCase& dialog) {
        return dialog.Make(Session, QString::fromStdString(Dir / "Norvane.ini"));
    }

    test::TTempDir Dir;
    session::TInstrumentSession Session;
};

TEST_F(FixedDialogs, KeepTheirClientSizeAndOfferNoWayToChangeIt) {
    for (const TDialogCase& dialog : DialogCases()) {
        SCOPED_TRACE(dialog.Name);
        std::unique_ptr<QDialog> window = Make(dialog);
        bool framed = false;
        std::vector<std::string> actions;
        QTimer::singleShot(0, window.get(), [&] {
            framed = test::WaitUntilFramed(*window);
            actions = AllowedActions(*window);
            window->done(QDialog::Rejected);
        });
        window->exec();

        EXPECT_TRUE(framed);
        EXPECT_EQ(window->size(), dialog.Client);
        EXPECT_EQ(window->minimumSize(), dialog.Client);
        EXPECT_EQ(window->maximumSize(), dialog.Client);
        const Qt::WindowFlags flags = window->windowFlags();
        EXPECT_TRUE(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        if (test::UnderWindowManager()) {
            EXPECT_FALSE(actions.empty()) << "the window manager published no allowed actions";
            for (const char* refused : {"_NET_WM_ACTION_RESIZE", "_NET_WM_ACTION_MAXIMIZE_HORZ",
                                        "_NET_WM_ACTION_MAXIMIZE_VERT"}) {
                EXPECT_EQ(std::count(actions.begin(), actions.end(), refused), 0) << refused;
            }
        }
    }
}

// Without the Arial-metric fonts Qt falls back to a wider sans-serif; labels laid out for
// Arial's widths lost their last characters ("Version 1." for "Version 1.1").
TEST_F(FixedDialogs, LabelsShowTheirWholeTextInAWiderFontThanArial) {
    struct TStandIn {
        TStandIn() {
            QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("DejaVu Sans"));
        }
        ~TStandIn() { QFont::removeSubstitutions(QStringLiteral("Arial")); }
    } standIn;
    for (const TDialogCase& dialog : DialogCases()) {
        SCOPED_TRACE(dialog.Name);
        std::unique_ptr<QDialog> window = Make(dialog);
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || !label->isVisibleTo(window.get())) {
                continue;
            }
            SCOPED_TRACE(label->text().toStdString());
            ASSERT_EQ(QFontInfo(label->font()).family(), "DejaVu Sans");
            const QFontMetrics metrics = label->fontMetrics();
            const QRect area = label->contentsRect();
            EXPECT_LE(metrics.horizontalAdvance(label->text()), area.width());
            EXPECT_LE(metrics.height(), area.height());
            // Nor does the label's parent cut it off.
            const QRect inParent = label->geometry();
            const QRect parentArea = label->parentWidget() == window.get()
                                         ? QRect(QPoint(0, 0), dialog.Layout)
                                         : label->parentWidget()->rect();
            EXPECT_TRUE(parentArea.contains(inParent))
                << inParent.x() << "," << inParent.y() << " " << inParent.width() << "x"
                << inParent.height();
        }
    }
}

}  // namespace
}  // namespace norvane::ui
