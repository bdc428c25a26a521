// Called with this process's token: messages posted from the top document carry it,
// so the client can tell them from messages of frames (a frame has handler objects
// of its own and never sees the token).
(function(token) {
  try {
    if (window.top !== window) return;
    var handlers = window.webkit && window.webkit.messageHandlers;
    var sample = handlers && (handlers.bridge || handlers.action || handlers.nav);
    if (!sample) return;
    var proto = Object.getPrototypeOf(sample);
    var post = proto.postMessage;
    var apply = Reflect.apply;
    Object.defineProperty(proto, 'postMessage', {
      value: function postMessage(message) {
        return apply(post, this, [{ quorvelSeal: token, message: message }]);
      },
      writable: false,
      configurable: false,
      enumerable: true
    });
  } catch (e) {}
})
