// The page's side of the Web Audio output (platform/web/audio.cpp). Each
// play is reported on the console ("audio: play NAME"), so that a page's
// checks can see what was played.
var LibraryStarquellAudio = {
  $StarquellAudio: {
    context: null,
    channels: 0,
    buffers: [],
    names: [],
    voices: [],
    listening: false,

    // Browsers start a page's audio suspended until a click or a key.
    resumeOnGesture: function() {
      if (StarquellAudio.listening) return;
      StarquellAudio.listening = true;
      var resume = function() {
        var context = StarquellAudio.context;
        if (context && context.state === 'suspended') context.resume();
      };
      window.addEventListener('mousedown', resume, true);
      window.addEventListener('keydown', resume, true);
    },
  },

  starquell_audio_open__deps: ['$StarquellAudio'],
  starquell_audio_open: function(channels) {
    var Context = window.AudioContext || window.webkitAudioContext;
    StarquellAudio.channels = channels;
    StarquellAudio.voices = [];
    if (!Context) return 0;
    try {
      StarquellAudio.context = new Context();
    } catch (e) {
      StarquellAudio.context = null;
      return 0;
    }
    StarquellAudio.resumeOnGesture();
    return 1;
  },

  starquell_audio_close__deps: ['$StarquellAudio'],
  starquell_audio_close: function() {
    StarquellAudio.voices.forEach(function(voice) {
      try { voice.stop(); } catch (e) {}
    });
    StarquellAudio.voices = [];
    if (StarquellAudio.context) StarquellAudio.context.close();
    StarquellAudio.context = null;
  },

  starquell_audio_load__deps: ['$StarquellAudio'],
  starquell_audio_load: function(index, name, samples, channels, frames, rate) {
    StarquellAudio.names[index] = UTF8ToString(name);
    StarquellAudio.buffers[index] = null;
    var context = StarquellAudio.context;
    if (!context) return 1;  // silent: nothing to hold
    var buffer;
    try {
      buffer = context.createBuffer(channels, frames, rate);
    } catch (e) {
      return 0;  // a rate or length the browser cannot play
    }
    for (var c = 0; c < channels; ++c) {
      var start = (samples >> 2) + c * frames;
      buffer.copyToChannel(HEAPF32.subarray(start, start + frames), c);
    }
    StarquellAudio.buffers[index] = buffer;
    return 1;
  },

  starquell_audio_free__deps: ['$StarquellAudio'],
  starquell_audio_free: function(index) {
    StarquellAudio.buffers[index] = null;
  },

  starquell_audio_play__deps: ['$StarquellAudio'],
  starquell_audio_play: function(index) {
    var name = StarquellAudio.names[index];
    var context = StarquellAudio.context;
    var buffer = StarquellAudio.buffers[index];
    if (!context || !buffer || context.state !== 'running') {
      console.log('audio: play ' + name + ' (silent: audio ' +
                  (context ? context.state : 'unavailable') + ')');
      return 1;
    }
    var voices = StarquellAudio.voices;
    // Every channel busy: the sound that has played longest gives way.
    while (voices.length >= StarquellAudio.channels) {
      var oldest = voices.shift();
      try { oldest.stop(); } catch (e) {}
    }
    try {
      var source = context.createBufferSource();
      source.buffer = buffer;
      source.connect(context.destination);
      source.onended = function() {
        var at = voices.indexOf(source);
        if (at >= 0) voices.splice(at, 1);
      };
      source.start();
      voices.push(source);
    } catch (e) {
      return 0;
    }
    console.log('audio: play ' + name);
    return 1;
  },
};

autoAddDeps(LibraryStarquellAudio, '$StarquellAudio');
mergeInto(LibraryManager.library, LibraryStarquellAudio);
