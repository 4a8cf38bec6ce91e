#include "audio/volumecontrol.h"

#include "audio/pulsecontext.h"
#include "platform/desktop.h"

#include <QDebug>

#include <cmath>

namespace {

// The window waits this long for the sound server at most, once at start-up.
constexpr int ConnectTimeoutMs = 1000;
constexpr int RequestTimeoutMs = 1000;

struct Query
{
    QByteArray name;
    int channels = 0;
    float scalar = 0.0f;
    bool found = false;
};

template<typename Info>
void takeInfo(const Info *info, int eol, void *userdata)
{
    auto *query = static_cast<Query *>(userdata);
    if (eol || !info)
        return;
    query->found = true;
    query->channels = info->volume.channels;
    query->scalar = float(double(pa_cvolume_avg(&info->volume)) / double(PA_VOLUME_NORM));
}

void sinkInfo(pa_context *, const pa_sink_info *info, int eol, void *userdata)
{
    takeInfo(info, eol, userdata);
}

void sourceInfo(pa_context *, const pa_source_info *info, int eol, void *userdata)
{
    takeInfo(info, eol, userdata);
}

}  // namespace

VolumeControl::VolumeControl()
    : m_osKind(Platform::osKind())
    , m_pulse(std::make_unique<PulseContext>("Nuvoxa volume"))
{
    if (m_pulse->connect(ConnectTimeoutMs))
        findEndpoints();
    else
        m_pulse.reset();
}

VolumeControl::~VolumeControl() = default;

void VolumeControl::findEndpoints()
{
    struct Defaults
    {
        QByteArray sink;
        QByteArray source;
    } defaults;
    PulseLocker locker(*m_pulse);
    pa_operation *op = pa_context_get_server_info(
        m_pulse->context(),
        [](pa_context *, const pa_server_info *info, void *userdata) {
            auto *d = static_cast<Defaults *>(userdata);
            if (!info)
                return;
            d->sink = info->default_sink_name;
            d->source = info->default_source_name;
        },
        &defaults);
    if (!m_pulse->waitOperation(op, RequestTimeoutMs))
        return;

    // Keep the names only of devices that exist now, with their channel count
    // for writing.
    Query speaker{defaults.sink};
    if (!speaker.name.isEmpty()
        && m_pulse->waitOperation(pa_context_get_sink_info_by_name(m_pulse->context(),
                                                                   speaker.name.constData(),
                                                                   &sinkInfo, &speaker),
                                  RequestTimeoutMs)
        && speaker.found)
        m_speaker = {speaker.name, speaker.channels};
    Query mic{defaults.source};
    if (!mic.name.isEmpty()
        && m_pulse->waitOperation(pa_context_get_source_info_by_name(m_pulse->context(),
                                                                     mic.name.constData(),
                                                                     &sourceInfo, &mic),
                                  RequestTimeoutMs)
        && mic.found)
        m_mic = {mic.name, mic.channels};
}

QString VolumeControl::osKind() const
{
    return m_osKind;
}

float VolumeControl::speakerScalar()
{
    const float value = scalar(m_speaker, true);
    qDebug() << "speaker volume" << value;
    return value;
}

float VolumeControl::micScalar()
{
    const float value = scalar(m_mic, false);
    qDebug() << "microphone volume" << value;
    return value;
}

void VolumeControl::setSpeakerLevel(int level)
{
    setLevel(m_speaker, true, level);
}

void VolumeControl::setMicLevel(int level)
{
    setLevel(m_mic, false, level);
}

float VolumeControl::scalar(const Endpoint &endpoint, bool sink)
{
    if (!m_pulse || endpoint.name.isEmpty())
        return 0.0f;
    PulseLocker locker(*m_pulse);
    if (!m_pulse->ready())
        return 0.0f;
    Query query{endpoint.name};
    pa_operation *op =
        sink ? pa_context_get_sink_info_by_name(m_pulse->context(), endpoint.name.constData(),
                                                &sinkInfo, &query)
             : pa_context_get_source_info_by_name(m_pulse->context(), endpoint.name.constData(),
                                                  &sourceInfo, &query);
    if (!m_pulse->waitOperation(op, RequestTimeoutMs) || !query.found)
        return 0.0f;
    return query.scalar;
}

void VolumeControl::setLevel(const Endpoint &endpoint, bool sink, int level)
{
    if (!m_pulse || endpoint.name.isEmpty() || level < 0 || level > 100)
        return;
    PulseLocker locker(*m_pulse);
    if (!m_pulse->ready())
        return;
    const float scalar = float(level / 100.0);
    pa_cvolume volume;
    pa_cvolume_set(&volume, unsigned(endpoint.channels),
                   pa_volume_t(std::lround(double(scalar) * PA_VOLUME_NORM)));
    // Waiting for the answer keeps the order of quick slider moves and lets
    // the next reading see the new level.
    pa_operation *op =
        sink ? pa_context_set_sink_volume_by_name(m_pulse->context(), endpoint.name.constData(),
                                                  &volume, nullptr, nullptr)
             : pa_context_set_source_volume_by_name(m_pulse->context(),
                                                    endpoint.name.constData(), &volume, nullptr,
                                                    nullptr);
    m_pulse->waitOperation(op, RequestTimeoutMs);
}
