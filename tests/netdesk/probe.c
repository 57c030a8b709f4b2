/* A small accessible program for the desktop tests: a window with a text
 * field, a checked check box, an unavailable button and a click area.  It
 * reports on standard output, one line each, what reaches it:
 *   ready                      mapped and shown
 *   area X Y W H               the click area on the screen
 *   off X Y W H                the unavailable button on the screen
 *   text T                     the field's text changed
 *   key NAME MODS              a key press (MODS: c s a for Ctrl Shift Alt, or -)
 *   click X Y N                a button press at screen X Y (N: 1 single, 2 double)
 * Usage: probe TITLE [FIELD-TEXT] */
#include <gtk/gtk.h>
#include <stdio.h>

static void say(const char* fmt, ...) G_GNUC_PRINTF(1, 2);
static void say(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    vprintf(fmt, ap);
    va_end(ap);
    putchar('\n');
    fflush(stdout);
}

static void on_changed(GtkEditable* e, gpointer data) {
    (void)data;
    say("text %s", gtk_entry_get_text(GTK_ENTRY(e)));
}

static gboolean on_key(GtkWidget* w, GdkEventKey* ev, gpointer data) {
    (void)w;
    (void)data;
    GdkModifierType m = ev->state;
    /* The tilde's dead key has two names; the plain one is the one people know. */
    const char* name = ev->keyval == GDK_KEY_dead_tilde ? "dead_tilde" : gdk_keyval_name(ev->keyval);
    say("key %s %s%s%s%s", name, (m & GDK_CONTROL_MASK) ? "c" : "",
        (m & GDK_SHIFT_MASK) ? "s" : "", (m & GDK_MOD1_MASK) ? "a" : "",
        (m & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK)) ? "" : "-");
    return FALSE;
}

static gboolean on_press(GtkWidget* w, GdkEventButton* ev, gpointer data) {
    (void)w;
    (void)data;
    if (ev->type == GDK_BUTTON_PRESS) say("click %d %d 1", (int)ev->x_root, (int)ev->y_root);
    else if (ev->type == GDK_2BUTTON_PRESS) say("click %d %d 2", (int)ev->x_root, (int)ev->y_root);
    return TRUE;
}

static void report(const char* what, GtkWidget* w) {
    int x = 0, y = 0;
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    gdk_window_get_origin(gtk_widget_get_window(w), &x, &y);
    /* Widgets without a window of their own sit at their allocation inside their parent's. */
    if (!gtk_widget_get_has_window(w)) {
        x += a.x;
        y += a.y;
    }
    say("%s %d %d %d %d", what, x, y, a.width, a.height);
}

static GtkWidget* g_off;

/* Reported when the window first gets the focus: by then the window manager
 * has placed it. */
static gboolean on_focus(GtkWidget* win, GdkEvent* ev, gpointer area) {
    (void)ev;
    static gboolean done = FALSE;
    if (done) return FALSE;
    done = TRUE;
    (void)win;
    report("area", GTK_WIDGET(area));
    report("off", g_off);
    say("ready");
    return FALSE;
}

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    /* A loaded machine must not split a double click in two. */
    g_object_set(gtk_settings_get_default(), "gtk-double-click-time", 3000, NULL);
    GtkWidget* win = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(win), argc > 1 ? argv[1] : "Sonda");
    gtk_window_set_default_size(GTK_WINDOW(win), 400, 300);
    g_signal_connect(win, "destroy", G_CALLBACK(gtk_main_quit), NULL);
    g_signal_connect(win, "key-press-event", G_CALLBACK(on_key), NULL);

    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    gtk_container_add(GTK_CONTAINER(win), box);

    GtkWidget* entry = gtk_entry_new();
    gtk_widget_set_name(entry, "campo");
    atk_object_set_name(gtk_widget_get_accessible(entry), "Campo");
    if (argc > 2) gtk_entry_set_text(GTK_ENTRY(entry), argv[2]);
    g_signal_connect(entry, "changed", G_CALLBACK(on_changed), NULL);
    gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);

    GtkWidget* check = gtk_check_button_new_with_label("Aceito");
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), TRUE);
    gtk_box_pack_start(GTK_BOX(box), check, FALSE, FALSE, 0);

    GtkWidget* off = g_off = gtk_button_new_with_label("Desligado");
    gtk_widget_set_sensitive(off, FALSE);
    gtk_box_pack_start(GTK_BOX(box), off, FALSE, FALSE, 0);

    GtkWidget* area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 300, 150);
    gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_STRUCTURE_MASK);
    g_signal_connect(area, "button-press-event", G_CALLBACK(on_press), NULL);
    g_signal_connect(win, "focus-in-event", G_CALLBACK(on_focus), area);
    gtk_box_pack_start(GTK_BOX(box), area, TRUE, TRUE, 0);

    gtk_widget_show_all(win);
    gtk_widget_grab_focus(entry);
    gtk_main();
    return 0;
}
