/* A sound card for tests, as an ALSA plugin module: it consumes audio in real
 * time by the clock, as hardware does, reports a true delay, underruns when
 * starved, and writes to a file exactly the frames it has played ("heard"):
 * frames handed to it but dropped before they were played never reach the
 * file. With "pause no" it offers no pause, so a player must drop and write
 * again.
 *
 *   pcm_type.vudeze_clock { lib "/path/libasound_module_pcm_vudeze_clock.so" }
 *   pcm.card { type vudeze_clock file "/path/heard.raw" pause yes }
 *
 * ALSA calls every callback under the PCM's own lock; no lock here. */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef struct {
  snd_pcm_ioplug_t io;
  int fd;          /* the file of played frames */
  int pipe_fds[2]; /* an always-writable descriptor to poll */
  unsigned frame_bytes;
  /* Frames since prepare: handed over, played. */
  unsigned long long handed, played;
  /* Frames handed over but not played yet, in order. */
  unsigned char* pending;
  size_t pending_bytes, pending_cap;
  int running, paused;
  struct timespec since; /* when `played` was last brought up to date */
} clock_device;

static unsigned long long ns_between(const struct timespec* a, const struct timespec* b) {
  long long ns = (long long)(b->tv_sec - a->tv_sec) * 1000000000LL + (b->tv_nsec - a->tv_nsec);
  return ns > 0 ? (unsigned long long)ns : 0;
}

/* Plays what the clock says has been played since the last update, writing it
 * to the file. */
static void advance(clock_device* d) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  if (d->running && !d->paused) {
    unsigned long long frames = ns_between(&d->since, &now) * d->io.rate / 1000000000ULL;
    unsigned long long room = d->handed - d->played;
    if (frames > room) frames = room;
    if (frames > 0) {
      size_t bytes = (size_t)frames * d->frame_bytes;
      if (write(d->fd, d->pending, bytes) < 0) { /* a test reads the file; nothing to do */
      }
      memmove(d->pending, d->pending + bytes, d->pending_bytes - bytes);
      d->pending_bytes -= bytes;
      d->played += frames;
      /* Keep the remainder of a frame for the next update. */
      unsigned long long used_ns = frames * 1000000000ULL / d->io.rate;
      d->since.tv_sec += (time_t)(used_ns / 1000000000ULL);
      d->since.tv_nsec += (long)(used_ns % 1000000000ULL);
      if (d->since.tv_nsec >= 1000000000L) {
        d->since.tv_sec++;
        d->since.tv_nsec -= 1000000000L;
      }
      return;
    }
  }
  if (!d->running || d->paused || d->played == d->handed) d->since = now;
}

static void discard_unplayed(clock_device* d) {
  d->pending_bytes = 0;
  d->handed = d->played;
}

static int dev_start(snd_pcm_ioplug_t* io) {
  clock_device* d = io->private_data;
  d->running = 1;
  d->paused = 0;
  clock_gettime(CLOCK_MONOTONIC, &d->since);
  return 0;
}

static int dev_stop(snd_pcm_ioplug_t* io) {
  clock_device* d = io->private_data;
  advance(d);
  discard_unplayed(d);
  d->running = 0;
  return 0;
}

static snd_pcm_sframes_t dev_pointer(snd_pcm_ioplug_t* io) {
  clock_device* d = io->private_data;
  advance(d);
  if (d->running && !d->paused && d->played == d->handed) return -EPIPE; /* starved */
  return (snd_pcm_sframes_t)(d->played % io->buffer_size);
}

static snd_pcm_sframes_t dev_transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                                      snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  clock_device* d = io->private_data;
  const unsigned char* src =
      (const unsigned char*)areas[0].addr + (areas[0].first + offset * areas[0].step) / 8;
  size_t bytes = size * d->frame_bytes;
  if (d->pending_bytes + bytes > d->pending_cap) {
    size_t cap = (d->pending_bytes + bytes) * 2;
    unsigned char* p = realloc(d->pending, cap);
    if (p == NULL) return -ENOMEM;
    d->pending = p;
    d->pending_cap = cap;
  }
  memcpy(d->pending + d->pending_bytes, src, bytes);
  d->pending_bytes += bytes;
  if (d->played == d->handed) clock_gettime(CLOCK_MONOTONIC, &d->since);
  d->handed += size;
  return (snd_pcm_sframes_t)size;
}

static int dev_prepare(snd_pcm_ioplug_t* io) {
  clock_device* d = io->private_data;
  advance(d);
  discard_unplayed(d);
  d->handed = d->played = 0;
  d->running = d->paused = 0;
  d->frame_bytes = io->channels * (unsigned)snd_pcm_format_physical_width(io->format) / 8;
  return 0;
}

static int dev_pause(snd_pcm_ioplug_t* io, int enable) {
  clock_device* d = io->private_data;
  advance(d);
  d->paused = enable;
  clock_gettime(CLOCK_MONOTONIC, &d->since);
  return 0;
}

static int dev_delay(snd_pcm_ioplug_t* io, snd_pcm_sframes_t* delay) {
  clock_device* d = io->private_data;
  advance(d);
  *delay = (snd_pcm_sframes_t)(d->handed - d->played);
  return 0;
}

static int dev_close(snd_pcm_ioplug_t* io) {
  clock_device* d = io->private_data;
  advance(d);
  close(d->fd);
  close(d->pipe_fds[0]);
  close(d->pipe_fds[1]);
  free(d->pending);
  free(d);
  return 0;
}

static const snd_pcm_ioplug_callback_t with_pause = {
    .start = dev_start,
    .stop = dev_stop,
    .pointer = dev_pointer,
    .transfer = dev_transfer,
    .close = dev_close,
    .prepare = dev_prepare,
    .pause = dev_pause,
    .delay = dev_delay,
};

static const snd_pcm_ioplug_callback_t without_pause = {
    .start = dev_start,
    .stop = dev_stop,
    .pointer = dev_pointer,
    .transfer = dev_transfer,
    .close = dev_close,
    .prepare = dev_prepare,
    .delay = dev_delay,
};

SND_PCM_PLUGIN_DEFINE_FUNC(vudeze_clock) {
  snd_config_iterator_t i, next;
  const char* file = NULL;
  int pause = 1;
  snd_config_for_each(i, next, conf) {
    snd_config_t* n = snd_config_iterator_entry(i);
    const char* id;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (strcmp(id, "comment") == 0 || strcmp(id, "type") == 0 || strcmp(id, "hint") == 0) continue;
    if (strcmp(id, "file") == 0) {
      if (snd_config_get_string(n, &file) < 0) return -EINVAL;
      continue;
    }
    if (strcmp(id, "pause") == 0) {
      pause = snd_config_get_bool(n);
      if (pause < 0) return -EINVAL;
      continue;
    }
    return -EINVAL;
  }
  if (file == NULL || stream != SND_PCM_STREAM_PLAYBACK) return -EINVAL;

  clock_device* d = calloc(1, sizeof *d);
  if (d == NULL) return -ENOMEM;
  d->fd = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (d->fd < 0 || pipe(d->pipe_fds) < 0) {
    if (d->fd >= 0) close(d->fd);
    free(d);
    return -EIO;
  }
  d->io.version = SND_PCM_IOPLUG_VERSION;
  d->io.name = "vudeze test sound card";
  d->io.poll_fd = d->pipe_fds[1];
  d->io.poll_events = POLLOUT;
  d->io.mmap_rw = 0;
  d->io.callback = pause ? &with_pause : &without_pause;
  d->io.private_data = d;
  int err = snd_pcm_ioplug_create(&d->io, name, stream, mode);
  if (err < 0) {
    close(d->fd);
    close(d->pipe_fds[0]);
    close(d->pipe_fds[1]);
    free(d);
    return err;
  }
  static const unsigned access_list[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
  static const unsigned format_list[] = {SND_PCM_FORMAT_U8, SND_PCM_FORMAT_S16_LE,
                                         SND_PCM_FORMAT_A_LAW, SND_PCM_FORMAT_MU_LAW};
  if ((err = snd_pcm_ioplug_set_param_list(&d->io, SND_PCM_IOPLUG_HW_ACCESS, 1, access_list)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(&d->io, SND_PCM_IOPLUG_HW_FORMAT, 4, format_list)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 8)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_RATE, 4000, 192000)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20)) <
          0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_BUFFER_BYTES, 256,
                                             4 << 20)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&d->io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64)) < 0) {
    snd_pcm_ioplug_delete(&d->io);
    return err;
  }
  *pcmp = d->io.pcm;
  return 0;
}

SND_PCM_PLUGIN_SYMBOL(vudeze_clock);
