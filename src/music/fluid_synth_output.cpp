#include "fluid_synth_output.h"

#include "music_tables.h"
#include "sequencer.h"
#include "soft_synth.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

namespace music {
namespace {

using namespace std::chrono_literals;

// Long enough for a driver that starts at once to be known as started, so
// the usual open reports at once whether it will be heard; short enough
// not to be felt.
constexpr auto OpenPatience = 10ms;
// Closing the driver and freeing the synthesizer take a few milliseconds;
// past this the worker is taken to be stuck.
constexpr auto ShutdownPatience = 500ms;

} // namespace

struct FluidSynthOutput::Worker
{
    enum class Job { StartAudio, StopAudio, Finish };
    enum class Font { Loading, Loaded, Silent, Failed };
    enum class Audio { Stopped, Starting, Running, Failed };

    void Run(const std::string& soundFontPath);
    void Post(Job job);
    void Load(const std::string& soundFontPath);
    void SetAudio(Audio state);

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    Font font = Font::Loading;
    Audio audio = Audio::Stopped;
    bool finished = false;
    std::unique_ptr<SoftSynth> synth;
    // Read without the lock by the sending thread: the synthesizer once it
    // is loaded, and whether its driver runs.
    std::atomic<SoftSynth*> loaded{nullptr};
    std::atomic<bool> sounding{false};
    std::thread thread;
};

void FluidSynthOutput::Worker::Post(Job job)
{
    {
        const std::lock_guard lock(mutex);
        jobs.push_back(job);
    }
    changed.notify_all();
}

void FluidSynthOutput::Worker::SetAudio(Audio state)
{
    sounding.store(state == Audio::Running);
    {
        const std::lock_guard lock(mutex);
        audio = state;
    }
    changed.notify_all();
}

void FluidSynthOutput::Worker::Load(const std::string& soundFontPath)
{
    auto loading = std::make_unique<SoftSynth>(soundFontPath);
    Font result = Font::Failed;
    if (loading->IsLoaded()) {
        // Choosing the piece's instruments now loads their samples, so no
        // loading happens once a piece has started.
        for (const MidiMessage& message : PieceStartMessages())
            loading->Send(message);
        result = loading->CanSound(MelodyChannel) ? Font::Loaded : Font::Silent;
    }
    {
        const std::lock_guard lock(mutex);
        synth = std::move(loading);
        font = result;
    }
    if (result != Font::Failed)
        loaded.store(synth.get());
    changed.notify_all();
}

void FluidSynthOutput::Worker::Run(const std::string& soundFontPath)
{
    Load(soundFontPath);
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [this] { return !jobs.empty(); });
            job = jobs.front();
            jobs.pop_front();
        }
        SoftSynth* playing = loaded.load();
        switch (job) {
        case Job::StartAudio:
            SetAudio(playing && playing->StartAudio() ? Audio::Running : Audio::Failed);
            break;
        case Job::StopAudio:
            sounding.store(false);
            if (playing) {
                playing->StopAudio();
                playing->SilenceAll();
                playing->RestoreEffects();
            }
            SetAudio(Audio::Stopped);
            break;
        case Job::Finish:
            sounding.store(false);
            loaded.store(nullptr);
            synth.reset();
            {
                const std::lock_guard lock(mutex);
                finished = true;
            }
            changed.notify_all();
            return;
        }
    }
}

FluidSynthOutput::FluidSynthOutput(std::string soundFontPath)
    : soundFontPath_(std::move(soundFontPath))
    , worker_(std::make_shared<Worker>())
{
    // The thread holds the shared state itself, so a thread left behind at
    // shutdown never reaches into a destroyed output.
    worker_->thread = std::thread([worker = worker_, path = soundFontPath_] { worker->Run(path); });
}

FluidSynthOutput::~FluidSynthOutput()
{
    Close();
    worker_->Post(Worker::Job::Finish);
    bool finished = false;
    {
        std::unique_lock lock(worker_->mutex);
        finished = worker_->changed.wait_for(lock, ShutdownPatience, [this] { return worker_->finished; });
    }
    if (finished)
        worker_->thread.join();
    else
        worker_->thread.detach();
}

bool FluidSynthOutput::DeviceAvailable()
{
    std::error_code error;
    return std::filesystem::exists(soundFontPath_, error);
}

bool FluidSynthOutput::Open()
{
    // A missing SoundFont is known at once, whatever the worker is doing.
    if (open_ || !DeviceAvailable())
        return false;
    std::unique_lock lock(worker_->mutex);
    if (worker_->font == Worker::Font::Failed)
        return false;
    worker_->audio = Worker::Audio::Starting;
    worker_->jobs.push_back(Worker::Job::StartAudio);
    worker_->changed.notify_all();
    worker_->changed.wait_for(lock, OpenPatience, [this] {
        return worker_->font == Worker::Font::Failed || worker_->audio == Worker::Audio::Running
               || worker_->audio == Worker::Audio::Failed;
    });
    if (worker_->font == Worker::Font::Failed || worker_->audio == Worker::Audio::Failed) {
        lock.unlock();
        worker_->Post(Worker::Job::StopAudio);
        return false;
    }
    open_ = true;
    return true;
}

// Instruments are chosen even while no driver runs, so the piece has them
// when it starts sounding; notes nobody could hear are dropped.
void FluidSynthOutput::Send(const MidiMessage& message)
{
    if (!open_)
        return;
    SoftSynth* synth = worker_->loaded.load();
    if (synth && (message.Kind() == ProgramChangeKind || worker_->sounding.load()))
        synth->Send(message);
}

void FluidSynthOutput::SilenceAll()
{
    if (!open_)
        return;
    if (SoftSynth* synth = worker_->loaded.load())
        synth->SilenceAll();
}

void FluidSynthOutput::Close()
{
    if (!open_)
        return;
    open_ = false;
    worker_->Post(Worker::Job::StopAudio);
}

MidiOut::Readiness FluidSynthOutput::CurrentReadiness() const
{
    const std::lock_guard lock(worker_->mutex);
    switch (worker_->font) {
    case Worker::Font::Loading:
        return Readiness::Preparing;
    case Worker::Font::Failed:
        return Readiness::NoSound;
    case Worker::Font::Loaded:
    case Worker::Font::Silent:
        break;
    }
    switch (worker_->audio) {
    case Worker::Audio::Failed:
        return Readiness::NoSound;
    case Worker::Audio::Stopped:
    case Worker::Audio::Starting:
        return Readiness::Preparing;
    case Worker::Audio::Running:
        break;
    }
    return worker_->font == Worker::Font::Silent ? Readiness::SilentInstruments : Readiness::Sounding;
}

} // namespace music
