try {
  var handler = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.nav;
  if (!handler) return 'no-handler';

  function isHidden(a) {
    if (a.hidden) return true;
    if (a.style && a.style.display === 'none') return true;
    if (a.getAttribute('aria-hidden') === 'true') return true;
    return a.classList.contains('d-none') || a.classList.contains('nav-hidden');
  }

  var items = [];
  var links = document.querySelectorAll('.sidebar a.nav-item');
  for (var i = 0; i < links.length; i++) {
    var a = links[i];
    var href = a.getAttribute('href') || '';
    if (href.charAt(0) !== '/') continue;
    var title = (a.textContent || '').trim();
    if (!title || isHidden(a)) continue;
    items.push({ title: title, path: href });
  }
  if (items.length === 0) return 'empty';
  handler.postMessage(JSON.stringify(items));
  return 'ok:' + items.length;
} catch (e) {
  return 'err';
}
