#include "ui/gtk/GtkWebView.h"

#include <glibmm/main.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

/// The address as WebKit reports it: scheme and host in lower case, default port dropped,
/// "/" for an empty path.
std::string normalizedUri(const std::string& uri) {
    const auto flags = static_cast<GUriFlags>(G_URI_FLAGS_PARSE_RELAXED | G_URI_FLAGS_ENCODED |
                                              G_URI_FLAGS_SCHEME_NORMALIZE);
    GUri* parsed = g_uri_parse(uri.c_str(), flags, nullptr);
    if (parsed == nullptr) {
        return uri;
    }
    gchar* text = g_uri_to_string(parsed);
    std::string normal = text != nullptr ? text : uri;
    g_free(text);
    g_uri_unref(parsed);
    return normal;
}

URLRequest requestOf(WebKitURIRequest* request) {
    URLRequest out;
    const gchar* uri = webkit_uri_request_get_uri(request);
    out.url = uri != nullptr ? uri : "";
    const gchar* method = webkit_uri_request_get_http_method(request);
    out.method = method != nullptr ? method : "GET";
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request)) {
        SoupMessageHeadersIter iter;
        soup_message_headers_iter_init(&iter, headers);
        const char* name = nullptr;
        const char* value = nullptr;
        while (soup_message_headers_iter_next(&iter, &name, &value)) {
            out.headers.emplace_back(name, value);
        }
    }
    return out;
}

// The engine views, with a reference of our own. Kept out of line so that what WebKit allocates
// while making a view stays recognisable (tests/gui/welcome-lsan.supp): WebKit keeps pointers
// to it in its own heap, where LeakSanitizer cannot look.
[[gnu::noinline]] WebKitWebView* newEngineView() {
    return reinterpret_cast<WebKitWebView*>(g_object_ref_sink(webkit_web_view_new()));
}

[[gnu::noinline]] WebKitWebView* newRelatedEngineView(WebKitWebView* opener) {
    return reinterpret_cast<WebKitWebView*>(
        g_object_ref_sink(webkit_web_view_new_with_related_view(opener)));
}

/// A script's result, waited for.
struct Evaluation {
    std::function<void(std::optional<std::string>)> result;
};

bool isScriptIdentifier(const std::string& name) {
    return !name.empty() && std::isdigit(static_cast<unsigned char>(name[0])) == 0 &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
           });
}

}  // namespace

/// An alert the page waits on; `dialog` is null once answered.
struct GtkWebView::PendingDialog {
    WebKitScriptDialog* dialog = nullptr;
    void close() {
        if (dialog != nullptr) {
            webkit_script_dialog_close(dialog);
            webkit_script_dialog_unref(dialog);
            dialog = nullptr;
        }
    }
};

/// The engine's signals, turned into calls on the view.
struct GtkWebView::Callbacks {
    static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer self) {
        return static_cast<GtkWebView*>(self)->decidePolicy(decision, type);
    }
    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer self) {
        static_cast<GtkWebView*>(self)->loadChanged(event);
    }
    static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer self) {
        auto* view = static_cast<GtkWebView*>(self);
        view->loadFailed_ = true;
        // A page that cannot load leaves the view as it was (empty for a first load): the
        // engine's own error page is not for the user. A load cut short by a navigation or a
        // refused decision is no failure to speak of.
        if (!g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) &&
            !g_error_matches(error, WEBKIT_POLICY_ERROR,
                             WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
            view->log_.log(std::string("The page ") + (uri != nullptr ? uri : "") +
                           " did not load: " + (error != nullptr ? error->message : "no reason"));
        }
        return TRUE;
    }
    static GtkWidget* create(WebKitWebView*, WebKitNavigationAction* action, gpointer self) {
        return static_cast<GtkWebView*>(self)->create(action);
    }
    static gboolean scriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
        return static_cast<GtkWebView*>(self)->scriptDialog(dialog);
    }
    static gboolean contextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                WebKitHitTestResult*, gpointer self) {
        return static_cast<GtkWebView*>(self)->contextMenu(menu);
    }
    static void evaluated(GObject* source, GAsyncResult* result, gpointer data);
};

void GtkWebView::Callbacks::evaluated(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Evaluation> evaluation(static_cast<Evaluation*>(data));
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(
        reinterpret_cast<WebKitWebView*>(source), result, &error);
    if (error != nullptr) {
        // Cancelled: the view has gone, and whoever asked with it.
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) != FALSE;
        g_error_free(error);
        if (!cancelled && evaluation->result) {
            evaluation->result(std::nullopt);
        }
        return;
    }
    std::optional<std::string> text;
    if (value != nullptr) {
        if (jsc_value_is_undefined(value) == FALSE && jsc_value_is_null(value) == FALSE) {
            gchar* chars = jsc_value_to_string(value);
            text = chars != nullptr ? chars : "";
            g_free(chars);
        }
        g_object_unref(value);
    }
    if (evaluation->result) {
        evaluation->result(std::move(text));
    }
}

GtkWebView::GtkWebView(SystemLog& log) : GtkWebView(log, true) {}

GtkWebView::GtkWebView(SystemLog& log, bool makeEngineView) : log_(log) {
    if (makeEngineView) {
        attach(newEngineView());
    }
}

std::unique_ptr<GtkWebView> GtkWebView::forNewWindows(SystemLog& log) {
    return std::unique_ptr<GtkWebView>(new GtkWebView(log, false));
}

GtkWebView::~GtkWebView() {
    detach();
}

void GtkWebView::attach(WebKitWebView* view) {
    view_ = view;
    cancellable_ = g_cancellable_new();
    loadFailed_ = false;
    undecidedLoads_.clear();
    connectSignal(view_, "decide-policy", &Callbacks::decidePolicy, this);
    connectSignal(view_, "load-changed", &Callbacks::loadChanged, this);
    connectSignal(view_, "load-failed", &Callbacks::loadFailed, this);
    connectSignal(view_, "create", &Callbacks::create, this);
    connectSignal(view_, "script-dialog", &Callbacks::scriptDialog, this);
    connectSignal(view_, "context-menu", &Callbacks::contextMenu, this);
    gtk_widget_set_visible(GTK_WIDGET(view_), hidden_ ? FALSE : TRUE);
}

void GtkWebView::detach() {
    // Pages waiting on an alert are let go before their view.
    for (const auto& pending : dialogs_) {
        pending->close();
    }
    dialogs_.clear();
    if (view_ == nullptr) {
        return;
    }
    g_signal_handlers_disconnect_matched(view_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    cancellable_ = nullptr;
    gtk_widget_destroy(GTK_WIDGET(view_));
    g_object_unref(view_);
    view_ = nullptr;
}

WebKitWebView* GtkWebView::adoptRelatedView(GtkWebView& opener) {
    detach();
    attach(newRelatedEngineView(opener.view_));
    return view_;
}

void GtkWebView::loadRequest(const URLRequest& request) {
    if (view_ == nullptr) {
        return;
    }
    if (policy_ == nullptr) {
        undecidedLoads_.push_back(normalizedUri(request.url));
    }
    WebKitURIRequest* uriRequest = webkit_uri_request_new(request.url.c_str());
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(uriRequest)) {
        for (const auto& [name, value] : request.headers) {
            soup_message_headers_append(headers, name.c_str(), value.c_str());
        }
    }
    webkit_web_view_load_request(view_, uriRequest);
    g_object_unref(uriRequest);
}

void GtkWebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
    if (view_ == nullptr) {
        return;
    }
    if (policy_ == nullptr) {
        undecidedLoads_.push_back(baseURL.empty() ? "about:blank" : normalizedUri(baseURL));
    }
    webkit_web_view_load_html(view_, html.c_str(), baseURL.empty() ? nullptr : baseURL.c_str());
}

void GtkWebView::stringByEvaluatingJavaScriptFromString(
    const std::string& script, std::function<void(std::optional<std::string>)> result) {
    if (view_ == nullptr) {
        return;
    }
    webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, cancellable_,
                                        &Callbacks::evaluated, new Evaluation{std::move(result)});
}

void GtkWebView::setHidden(bool hidden) {
    hidden_ = hidden;
    if (view_ != nullptr) {
        gtk_widget_set_visible(GTK_WIDGET(view_), hidden ? FALSE : TRUE);
    }
}

void GtkWebView::publishScriptObject(const std::string& name) {
    if (!isScriptIdentifier(name)) {
        log_.log("Not publishing \"" + name + "\" to a page: not a script identifier");
        return;
    }
    stringByEvaluatingJavaScriptFromString("window." + name + " = Object.freeze({});", nullptr);
}

bool GtkWebView::takeUndecidedLoad(const std::string& uri) {
    const auto found = std::find(undecidedLoads_.begin(), undecidedLoads_.end(), uri);
    if (found == undecidedLoads_.end()) {
        return false;
    }
    undecidedLoads_.erase(found);
    return true;
}

gboolean GtkWebView::decidePolicy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        return FALSE;
    }
    auto* navigation = reinterpret_cast<WebKitNavigationPolicyDecision*>(decision);
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(navigation);
    const NavigationAction asked{requestOf(webkit_navigation_action_get_request(action)),
                                 webkit_navigation_action_is_user_gesture(action) != FALSE};
    if (webkit_navigation_action_is_redirect(action) != FALSE ||
        (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
         takeUndecidedLoad(normalizedUri(asked.request.url))) ||
        policy_ == nullptr) {
        return FALSE;  // the engine's own answer: load it
    }
    PolicyDecision answer = PolicyDecision::Use;
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        const gchar* frame = webkit_navigation_action_get_frame_name(action);
        answer =
            policy_->decidePolicyForNewWindowAction(*this, asked, frame != nullptr ? frame : "");
    } else {
        answer = policy_->decidePolicyForNavigationAction(*this, asked);
    }
    if (answer == PolicyDecision::Use) {
        webkit_policy_decision_use(decision);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

void GtkWebView::loadChanged(WebKitLoadEvent event) {
    if (frameLoad_ == nullptr) {
        return;
    }
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            loadFailed_ = false;
            frameLoad_->didStartProvisionalLoadForFrame(*this);
            break;
        case WEBKIT_LOAD_COMMITTED:
            frameLoad_->windowScriptObjectAvailable(*this);
            break;
        case WEBKIT_LOAD_FINISHED:
            if (!loadFailed_) {
                frameLoad_->didFinishLoadForFrame(*this);
            }
            break;
        case WEBKIT_LOAD_REDIRECTED:
            break;
    }
}

GtkWidget* GtkWebView::create(WebKitNavigationAction* action) {
    if (ui_ == nullptr) {
        return nullptr;
    }
    const URLRequest request = requestOf(webkit_navigation_action_get_request(action));
    auto* target = dynamic_cast<GtkWebView*>(ui_->createWebViewWithRequest(*this, request));
    if (target == nullptr) {
        return nullptr;
    }
    if (target == this) {
        log_.log("A web view cannot open a page's new window in itself; " + request.url +
                 " is not opened");
        return nullptr;
    }
    return GTK_WIDGET(target->adoptRelatedView(*this));
}

gboolean GtkWebView::scriptDialog(WebKitScriptDialog* dialog) {
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    const gchar* rawMessage = webkit_script_dialog_get_message(dialog);
    const std::string message = rawMessage != nullptr ? rawMessage : "";
    switch (type) {
        case WEBKIT_SCRIPT_DIALOG_ALERT: {
            if (ui_ == nullptr) {
                return TRUE;
            }
            auto pending = std::make_shared<PendingDialog>();
            pending->dialog = webkit_script_dialog_ref(dialog);
            dialogs_.push_back(pending);
            // Closed from the main loop: WebKit must not see the dialog end inside its own
            // signal, and a view that has gone has closed it already.
            ui_->runJavaScriptAlertPanelWithMessage(*this, message, [pending] {
                Glib::signal_idle().connect_once([pending] { pending->close(); });
            });
            return TRUE;
        }
        case WEBKIT_SCRIPT_DIALOG_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(
                dialog,
                ui_ != nullptr && ui_->runJavaScriptConfirmPanelWithMessage(*this, message));
            return TRUE;
        case WEBKIT_SCRIPT_DIALOG_PROMPT: {
            if (ui_ == nullptr) {
                return TRUE;
            }
            const gchar* rawDefault = webkit_script_dialog_prompt_get_default_text(dialog);
            if (const auto answer = ui_->runJavaScriptTextInputPanelWithPrompt(
                    *this, message, rawDefault != nullptr ? rawDefault : "")) {
                webkit_script_dialog_prompt_set_text(dialog, answer->c_str());
            }
            return TRUE;
        }
        case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(
                dialog,
                ui_ == nullptr || ui_->runBeforeUnloadConfirmPanelWithMessage(*this, message));
            return TRUE;
    }
    return FALSE;
}

gboolean GtkWebView::contextMenu(WebKitContextMenu* menu) {
    if (ui_ == nullptr) {
        return FALSE;
    }
    std::vector<std::string> names;
    for (GList* item = webkit_context_menu_get_items(menu); item != nullptr; item = item->next) {
        const auto action = webkit_context_menu_item_get_stock_action(
            static_cast<WebKitContextMenuItem*>(item->data));
        names.push_back("stock-action-" + std::to_string(static_cast<int>(action)));
    }
    const auto kept = ui_->contextMenuItemsForElement(*this, names);
    if (kept.empty()) {
        return TRUE;  // no menu at all
    }
    // Items are removed from the end, so that the positions still to look at do not move.
    for (std::size_t i = names.size(); i-- > 0;) {
        if (std::find(kept.begin(), kept.end(), names[i]) == kept.end()) {
            webkit_context_menu_remove(
                menu, webkit_context_menu_get_item_at_position(menu, static_cast<guint>(i)));
        }
    }
    return FALSE;
}

}  // namespace headroom
