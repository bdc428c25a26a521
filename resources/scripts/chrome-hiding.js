(function(){
  try {
    var SELECTOR = '.sidebar,.sidebar-mask,.topbar';
    var CSS = '.sidebar,.sidebar-mask,.topbar{display:none!important}' +
              '.main-wrapper{margin-left:0!important;padding-left:0!important}';

    function addStyle() {
      if (document.getElementById('__quorvel_hide')) return;
      var parent = document.head || document.documentElement;
      if (!parent) return;
      var style = document.createElement('style');
      style.id = '__quorvel_hide';
      style.textContent = CSS;
      parent.appendChild(style);
    }

    function hide(el) { el.style.setProperty('display', 'none', 'important'); }

    function fix() {
      try {
        if (document.body) document.body.classList.add('embed');
        var i, els = document.querySelectorAll(SELECTOR);
        for (i = 0; i < els.length; i++) hide(els[i]);
        var toggles = document.querySelectorAll('[onclick]');
        for (i = 0; i < toggles.length; i++) {
          var code = toggles[i].getAttribute('onclick') || '';
          if (code.indexOf('toggleSidebar') >= 0) hide(toggles[i]);
        }
        var wrappers = document.querySelectorAll('.main-wrapper');
        for (i = 0; i < wrappers.length; i++) {
          wrappers[i].style.setProperty('margin-left', '0', 'important');
          wrappers[i].style.setProperty('padding-left', '0', 'important');
        }
      } catch (e) {}
    }

    // The page must not bring its own sidebar back.
    function neuterToggle() {
      var noop = function() { return false; };
      try {
        Object.defineProperty(window, 'toggleSidebar', {
          configurable: true,
          get: function() { return noop; },
          set: function() {}
        });
      } catch (e) {
        try { window.toggleSidebar = noop; } catch (e2) {}
      }
    }

    neuterToggle();
    addStyle();
    fix();

    if (!window.__quorvelChromeObs && document.documentElement && window.MutationObserver) {
      var scheduled = false;
      var obs = new MutationObserver(function() {
        if (scheduled) return;
        scheduled = true;
        setTimeout(function() { scheduled = false; fix(); }, 120);
      });
      obs.observe(document.documentElement, { childList: true, subtree: true });
      window.__quorvelChromeObs = obs;
    }

    [60, 200, 500, 1000, 2000, 3500].forEach(function(ms) { setTimeout(fix, ms); });
    document.addEventListener('DOMContentLoaded', fix);
    window.addEventListener('load', fix);
  } catch (e) {}
})();
