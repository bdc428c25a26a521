(function(){
  try {
    if (window.__quorVelDragDropV2) return;
    window.__quorVelDragDropV2 = true;

    // The hook as the page holds it: the self-check reads its text from the page.
    var install = function() {
    var ZONE_IDS = ['quDropZone', 'quickDropZone', 'dispatchDropZone', 'inboxPanel'];
    var OWN_INPUT_IDS = ['quFileInput', 'quickFileInput', 'dispatch_file_input'];

    function hasFiles(e) {
      var dt = e.dataTransfer;
      if (!dt) return false;
      if (dt.files && dt.files.length > 0) return true;
      var types = dt.types || [];
      for (var i = 0; i < types.length; i++) {
        if (types[i] === 'Files') return true;
      }
      return false;
    }

    function asElement(node) {
      while (node && node.nodeType !== 1) node = node.parentNode;
      return node;
    }

    // The page's own drop zones take their drops themselves.
    function pageHandlesDrop(el) {
      for (var n = el; n && n !== document.body && n !== document.documentElement; n = n.parentElement) {
        if (n.hasAttribute('ondrop') || n.hasAttribute('ondragover')) return true;
        if (typeof n.ondrop === 'function' || typeof n.ondragover === 'function') return true;
        if (n.id && ZONE_IDS.indexOf(n.id) >= 0) return true;
      }
      return false;
    }

    function isFileInput(el) {
      return el && el.tagName === 'INPUT' && String(el.type).toLowerCase() === 'file';
    }

    function targetInput(el) {
      if (!el || pageHandlesDrop(el)) return null;
      if (isFileInput(el)) return OWN_INPUT_IDS.indexOf(el.id) >= 0 ? null : el;
      var box = el.closest ? el.closest('.file-upload-box') : null;
      var input = box ? box.querySelector('input[type=file]') : null;
      if (!input || OWN_INPUT_IDS.indexOf(input.id) >= 0) return null;
      return input;
    }

    document.addEventListener('dragover', function(ev) {
      try {
        if (hasFiles(ev) && !ev.defaultPrevented) ev.preventDefault();
      } catch (err) {}
    }, false);

    document.addEventListener('drop', function(ev) {
      try {
        if (!hasFiles(ev) || ev.defaultPrevented) return;
        ev.preventDefault();
        var input = targetInput(asElement(ev.target));
        if (!input) return;
        var files = ev.dataTransfer.files;
        var dt = new DataTransfer();
        for (var i = 0; i < files.length; i++) dt.items.add(files[i]);
        input.files = dt.files;
        input.dispatchEvent(new Event('change', { bubbles: true }));
      } catch (err) {}
    }, false);
    };
    install();
    Object.defineProperty(window, '__quorVelDragDropHook', { value: install });
  } catch (e) {}
})();
