#include "GstSetup.h"

#include <gst/gst.h>

#include <QByteArray>
#include <QDebug>
#include <QList>

#include <mutex>

namespace GstSetup {

int applyRanks(const QByteArray &ranks)
{
    int set = 0;
    GstRegistry *registry = gst_registry_get();
    for (const QByteArray &item : ranks.split(',')) {
        const QList<QByteArray> parts = item.trimmed().split(':');
        if (parts.size() != 2 || parts[0].isEmpty())
            continue;
        const QByteArray value = parts[1].trimmed().toUpper();
        bool number = false;
        int rank = value.toInt(&number);
        if (!number) {
            if (value == "NONE")
                rank = GST_RANK_NONE;
            else if (value == "MARGINAL")
                rank = GST_RANK_MARGINAL;
            else if (value == "SECONDARY")
                rank = GST_RANK_SECONDARY;
            else if (value == "PRIMARY")
                rank = GST_RANK_PRIMARY;
            else if (value == "MAX")
                rank = G_MAXINT;
            else
                continue;
        }
        if (GstPluginFeature *feature = gst_registry_lookup_feature(registry, parts[0].trimmed().constData())) {
            gst_plugin_feature_set_rank(feature, guint(rank));
            gst_object_unref(feature);
            ++set;
        }
    }
    return set;
}

namespace {

// GStreamer's own assertions (a call that broke a rule of its interface) go to the
// program's log like its other warnings, where the tests see them too.
void logAssertion(const gchar *, GLogLevelFlags, const gchar *message, gpointer)
{
    qWarning("GStreamer-CRITICAL: %s", message);
}

} // namespace

void ensure(const QByteArray &ranks)
{
    static std::once_flag once;
    std::call_once(once, [&ranks] {
        gst_init(nullptr, nullptr);
        g_log_set_handler("GStreamer", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                          logAssertion, nullptr);
        applyRanks(ranks);
        // The user's own ranks come after ours and so have the last word.
        applyRanks(qgetenv("GST_PLUGIN_FEATURE_RANK"));
    });
}

} // namespace GstSetup
