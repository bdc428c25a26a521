(function(){
  try {
    var STYLE = 'margin-left:4px;cursor:pointer;opacity:.75;font-size:11px;padding:1px 5px;' +
                'border-radius:4px;background:#F1F5F9;border:1px solid #D5E0EC;color:#1B3A5C;white-space:nowrap;';

    function send(msg) {
      try { window.webkit.messageHandlers.action.postMessage(msg); } catch (e) {}
    }

    function button(label, title, msg) {
      var b = document.createElement('span');
      b.textContent = label;
      b.title = title;
      b.setAttribute('style', STYLE);
      b.addEventListener('mouseenter', function() { b.style.opacity = '1'; b.style.background = '#E2EBF3'; });
      b.addEventListener('mouseleave', function() { b.style.opacity = '.75'; b.style.background = '#F1F5F9'; });
      b.addEventListener('click', function(e) {
        e.preventDefault();
        e.stopPropagation();
        send(msg);
      });
      return b;
    }

    function decorateLinks() {
      var links = document.querySelectorAll('.file-link[data-path]');
      for (var i = 0; i < links.length; i++) {
        var link = links[i];
        if (link.hasAttribute('data-quorvel')) continue;
        link.setAttribute('data-quorvel', '1');
        var parent = link.parentNode;
        if (!parent) continue;
        var p = link.getAttribute('data-path') || '';
        var after = link;
        [button('👁', '快速预览', 'preview:' + p),
         button('本机编辑', '用本机软件打开编辑（保存后自动提示上传替换）', 'edit:' + p),
         button('📂', '在文件管理器中显示', 'reveal:' + p)].forEach(function(b) {
          parent.insertBefore(b, after.nextSibling);
          after = b;
        });
      }
    }

    function replaceFolderButton() {
      var btn = document.getElementById('localFolderBtn');
      if (!btn || btn.hasAttribute('data-quorvel') || !btn.parentNode) return;
      btn.setAttribute('data-quorvel', '1');
      var clone = btn.cloneNode(true);
      // A clone keeps inline handlers; the page's own click must not run as well.
      clone.removeAttribute('onclick');
      clone.title = '在文件管理器中打开当前卷宗文件夹';
      clone.addEventListener('click', function(e) {
        e.preventDefault();
        e.stopPropagation();
        send('openfolder:');
      });
      btn.parentNode.replaceChild(clone, btn);
    }

    function run() {
      try { decorateLinks(); } catch (e) {}
      try { replaceFolderButton(); } catch (e) {}
    }

    run();

    if (!window.__quorvelActionObs && document.documentElement && window.MutationObserver) {
      var obs = new MutationObserver(function() {
        if (window.__quorvelActionTimer) return;
        window.__quorvelActionTimer = setTimeout(function() {
          window.__quorvelActionTimer = null;
          run();
        }, 300);
      });
      obs.observe(document.documentElement, { childList: true, subtree: true });
      window.__quorvelActionObs = obs;
    }

    [500, 1500, 3000].forEach(function(ms) { setTimeout(run, ms); });
  } catch (e) {}
})();
