try {
  var body = document.body;
  if (!body) return '{}';
  var t = (body.innerText || '').trim();
  var title = document.title || '';
  var bare = body.children.length === 0;
  var denied =
      (bare && (t.indexOf('⛔') === 0 || /^(无权|禁止|403)/.test(t))) ||
      title.indexOf('403') >= 0 || title.indexOf('Forbidden') >= 0 ||
      (t.length < 400 && /无权访问|没有权限|禁止访问|forbidden/i.test(t));
  if (!denied) return '{}';
  // Cut by characters, not UTF-16 units, so the text stays valid.
  var text = Array.from(t).slice(0, 140).join('');
  return JSON.stringify({ forbidden: true, text: text, path: location.pathname });
} catch (e) {
  return '{}';
}
