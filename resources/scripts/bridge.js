(function(){
  try {
    if (window.__quorvelBridgeInstalled) return;
    window.__quorvelBridgeInstalled = true;

    var pending = new Map();
    var counter = 0;

    function status() {
      try {
        if (!window.webkit) return '不在客户端内';
        if (!window.webkit.messageHandlers) return '宿主通道不可用';
        if (!window.webkit.messageHandlers.bridge) return 'bridge 未注册';
        return 'ok';
      } catch (e) {
        return '异常:' + (e && e.message);
      }
    }

    window.__zivEzozorReply = function(id, payload) {
      var entry = pending.get(id);
      if (!entry) return;
      pending.delete(id);
      var value;
      if (typeof payload === 'string') {
        value = payload;
      } else {
        try { value = JSON.stringify(payload); } catch (e) { value = undefined; }
        if (typeof value !== 'string') {
          try { value = String(payload); } catch (e2) { value = ''; }
        }
      }
      entry.resolve(value);
    };

    window.ZivEzozor = {
      available: function() {
        try {
          return !!(window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.bridge);
        } catch (e) {
          return false;
        }
      },
      status: status,
      call: function(cmd, a, b) {
        return new Promise(function(resolve, reject) {
          var s = status();
          if (s !== 'ok') {
            reject(new Error('客户端桥接未就绪：' + s));
            return;
          }
          var id = 'r' + (++counter);
          pending.set(id, { resolve: resolve, reject: reject });
          try {
            window.webkit.messageHandlers.bridge.postMessage({
              id: id,
              cmd: cmd,
              a: a === undefined ? null : a,
              b: b === undefined ? null : b
            });
          } catch (e) {
            pending.delete(id);
            reject(e);
          }
        });
      }
    };
  } catch (e) {}
})();
