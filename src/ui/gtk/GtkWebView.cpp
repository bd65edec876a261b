#include "ui/gtk/GtkWebView.h"

#include <utility>

#include "ui/gtk/SignalConnect.h"

namespace headroom {

namespace {

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

URLRequest requestOf(WebKitNavigationAction* action) {
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const gchar* uri = webkit_uri_request_get_uri(request);
    const gchar* method = webkit_uri_request_get_http_method(request);
    URLRequest out{uri != nullptr ? uri : "", method != nullptr ? method : "GET", {}};
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request)) {
        SoupMessageHeadersIter iter;
        soup_message_headers_iter_init(&iter, headers);
        const char* name = nullptr;
        const char* value = nullptr;
        while (soup_message_headers_iter_next(&iter, &name, &value) != FALSE) {
            out.headers.emplace_back(name, value);
        }
    }
    return out;
}

/// Answers an alert the page waits on, once.
void answer(WebKitScriptDialog*& dialog) {
    if (dialog != nullptr) {
        webkit_script_dialog_close(dialog);
        webkit_script_dialog_unref(dialog);
        dialog = nullptr;
    }
}

using Evaluation = std::function<void(std::optional<std::string>)>;
using Pending = std::shared_ptr<WebKitScriptDialog*>;

}  // namespace

/// The engine's signals, turned into calls on the delegate.
struct GtkWebView::Callbacks {
    static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data) {
        auto* self = static_cast<GtkWebView*>(data);
        if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
            // A page opened for a new window is only read: one past the bound that its
            // length announces is not loaded at all.
            WebKitURIResponse* response = webkit_response_policy_decision_get_response(
                reinterpret_cast<WebKitResponsePolicyDecision*>(decision));
            if (!self->ownsEngineView_ && webkit_uri_response_get_content_length(response) >
                                              URLConnectionFactory::kBodyLimit) {
                self->log_.log(std::string("The page ") + webkit_uri_response_get_uri(response) +
                               " is larger than 1 MiB; it is not loaded");
                webkit_policy_decision_ignore(decision);
                return TRUE;
            }
            return FALSE;
        }
        WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
            reinterpret_cast<WebKitNavigationPolicyDecision*>(decision));
        if (webkit_navigation_action_is_user_gesture(action) == FALSE ||
            webkit_navigation_action_is_redirect(action) != FALSE) {
            return FALSE;  // the engine's own answer: load it
        }
        const URLRequest request = requestOf(action);
        const PolicyDecision answer =
            type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION
                ? self->delegate_.decidePolicyForNewWindowAction(*self, request)
                : self->delegate_.decidePolicyForNavigationAction(*self, request);
        if (answer == PolicyDecision::Use) {
            webkit_policy_decision_use(decision);
        } else {
            webkit_policy_decision_ignore(decision);
        }
        return TRUE;
    }

    static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
        auto* self = static_cast<GtkWebView*>(data);
        if (event == WEBKIT_LOAD_STARTED) {
            self->loadFailed_ = false;
            self->delegate_.didStartProvisionalLoadForFrame(*self);
        } else if (event == WEBKIT_LOAD_FINISHED && !self->loadFailed_) {
            self->delegate_.didFinishLoadForFrame(*self);
        }
    }

    static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer data) {
        auto* self = static_cast<GtkWebView*>(data);
        self->loadFailed_ = true;
        // A page that cannot load leaves the view as it was (empty for a first load): the
        // engine's own error page is not for the user. A load cut short by a navigation or a
        // refused decision is no failure to speak of.
        if (!g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) &&
            !g_error_matches(error, WEBKIT_POLICY_ERROR,
                             WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
            self->log_.log(std::string("The page ") + (uri != nullptr ? uri : "") +
                           " did not load: " + (error != nullptr ? error->message : "no reason"));
        }
        return TRUE;
    }

    static void terminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer data) {
        auto* self = static_cast<GtkWebView*>(data);
        self->delegate_.webViewWebContentProcessDidTerminate(*self);
    }

    static GtkWidget* create(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
        auto* self = static_cast<GtkWebView*>(data);
        auto* target = dynamic_cast<GtkWebView*>(
            self->delegate_.createWebViewWithRequest(*self, requestOf(action)));
        if (target == nullptr || target == self) {
            return nullptr;
        }
        target->detach();
        target->attach(newRelatedEngineView(self->view_));
        return GTK_WIDGET(target->view_);
    }

    static gboolean scriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
        auto* self = static_cast<GtkWebView*>(data);
        switch (webkit_script_dialog_get_dialog_type(dialog)) {
            case WEBKIT_SCRIPT_DIALOG_ALERT: {
                // The page waits until the alert is answered, or until this view goes.
                auto pending =
                    std::make_shared<WebKitScriptDialog*>(webkit_script_dialog_ref(dialog));
                std::erase_if(self->alerts_, [](const auto& alert) { return *alert == nullptr; });
                self->alerts_.push_back(pending);
                self->delegate_.runJavaScriptAlertPanelWithMessage(
                    *self, webkit_script_dialog_get_message(dialog), [pending] {
                        // From the main loop: the engine holds the dialog until this returns.
                        g_idle_add_full(
                            G_PRIORITY_DEFAULT_IDLE,
                            +[](gpointer held) {
                                answer(**static_cast<Pending*>(held));
                                return gboolean{G_SOURCE_REMOVE};
                            },
                            new Pending(pending),
                            +[](gpointer held) { delete static_cast<Pending*>(held); });
                    });
                return TRUE;
            }
            case WEBKIT_SCRIPT_DIALOG_CONFIRM:
            case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
                webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
                return TRUE;
            case WEBKIT_SCRIPT_DIALOG_PROMPT:
                webkit_script_dialog_prompt_set_text(
                    dialog, webkit_script_dialog_prompt_get_default_text(dialog));
                return TRUE;
        }
        return FALSE;
    }

    static void evaluated(GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Evaluation> done(static_cast<Evaluation*>(data));
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(
            reinterpret_cast<WebKitWebView*>(source), result, &error);
        // Cancelled: the view has gone, and whoever asked with it.
        const bool cancelled = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) != FALSE;
        g_clear_error(&error);
        std::optional<std::string> text;
        if (value != nullptr) {
            if (jsc_value_is_undefined(value) == FALSE && jsc_value_is_null(value) == FALSE) {
                gchar* chars = jsc_value_to_string(value);
                text = chars != nullptr ? chars : "";
                g_free(chars);
            }
            g_object_unref(value);
        }
        if (!cancelled && *done) {
            (*done)(std::move(text));
        }
    }
};

GtkWebView::GtkWebView(ThanaksWindowDelegate& delegate, SystemLog& log, bool ownEngineView)
    : delegate_(delegate), log_(log), ownsEngineView_(ownEngineView) {
    if (ownEngineView) {
        attach(newEngineView());
    }
}

GtkWebView::~GtkWebView() {
    detach();
}

void GtkWebView::attach(WebKitWebView* view) {
    view_ = view;
    cancellable_ = g_cancellable_new();
    loadFailed_ = false;
    connectSignal(view_, "decide-policy", &Callbacks::decidePolicy, this);
    connectSignal(view_, "load-changed", &Callbacks::loadChanged, this);
    connectSignal(view_, "load-failed", &Callbacks::loadFailed, this);
    connectSignal(view_, "create", &Callbacks::create, this);
    connectSignal(view_, "web-process-terminated", &Callbacks::terminated, this);
    connectSignal(view_, "script-dialog", &Callbacks::scriptDialog, this);
    connectSignal(view_, "context-menu", &gtk_true, nullptr);
    WebKitUserScript* app = webkit_user_script_new(
        "window.app = Object.freeze({});", WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view_), app);
    webkit_user_script_unref(app);
    gtk_widget_show(GTK_WIDGET(view_));
}

void GtkWebView::detach() {
    for (const auto& pending : alerts_) {
        answer(*pending);
    }
    alerts_.clear();
    if (view_ == nullptr) {
        return;
    }
    g_signal_handlers_disconnect_matched(view_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
    g_cancellable_cancel(cancellable_);
    g_clear_object(&cancellable_);
    gtk_widget_destroy(GTK_WIDGET(view_));
    g_clear_object(&view_);
}

void GtkWebView::loadRequest(const URLRequest& request) {
    if (view_ != nullptr) {
        webkit_web_view_load_uri(view_, request.url.c_str());
    }
}

void GtkWebView::loadHTMLString(const std::string& html) {
    if (view_ != nullptr) {
        webkit_web_view_load_html(view_, html.c_str(), nullptr);
    }
}

void GtkWebView::stringByEvaluatingJavaScriptFromString(const std::string& script,
                                                        Evaluation result) {
    if (view_ != nullptr) {
        webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr,
                                            cancellable_, &Callbacks::evaluated,
                                            new Evaluation(std::move(result)));
    }
}

void GtkWebView::setHidden(bool hidden) {
    if (view_ != nullptr) {
        gtk_widget_set_visible(GTK_WIDGET(view_), hidden ? FALSE : TRUE);
    }
}

}  // namespace headroom
