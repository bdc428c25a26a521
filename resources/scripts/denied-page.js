try {
  function el(tag, style, text) {
    var n = document.createElement(tag);
    if (style) n.setAttribute('style', style);
    if (text !== undefined) n.textContent = text;
    return n;
  }
  function str(v) { return v === undefined || v === null ? '' : String(v); }

  var card = el('div', 'font-family:-apple-system,PingFang SC;padding:80px 40px;text-align:center;' +
                       'color:#1E293B;background:#F1F5F9;');
  var box = el('div', 'width:460px;margin:0 auto;background:#fff;border:1px solid #E7EDF3;' +
                      'border-radius:10px;padding:36px 32px;');
  box.appendChild(el('div', 'font-size:40px;', '🔒'));
  box.appendChild(el('div', 'font-size:18px;font-weight:bold;color:#1B3A5C;margin:14px 0 10px;',
                     '这个功能当前账号没有权限'));

  // Server-supplied values go in as text only.
  var lines = el('div', 'font-size:13px;line-height:1.8;color:#475569;');
  lines.appendChild(document.createTextNode('账号：' + str(account)));
  lines.appendChild(document.createElement('br'));
  lines.appendChild(document.createTextNode('页面：' + str(path)));
  lines.appendChild(document.createElement('br'));
  lines.appendChild(document.createTextNode('服务端提示：' + str(detail)));
  lines.appendChild(document.createElement('br'));
  lines.appendChild(document.createElement('br'));
  lines.appendChild(document.createTextNode('需要的话请联系律所主任或管理员开通权限。'));
  box.appendChild(lines);

  var back = el('a', 'display:inline-block;margin-top:20px;padding:8px 20px;background:#1B3A5C;color:#fff;' +
                     'border-radius:6px;text-decoration:none;font-size:13px;', '返回工作台');
  back.setAttribute('href', '/dashboard');
  box.appendChild(back);
  card.appendChild(box);

  var body = document.body;
  if (!body) {
    body = document.createElement('body');
    document.documentElement.appendChild(body);
  }
  while (body.firstChild) body.removeChild(body.firstChild);
  body.appendChild(card);
  document.title = '无权限 · 墨衡台';
} catch (e) {}
