// A stand-in until the console's page is written: shows the live state as it comes.
'use strict';
const events = new EventSource('api/events');
const show = (text) => { document.getElementById('state').textContent = text; };
events.addEventListener('state', (event) => show(event.data));
events.addEventListener('open', () => {
  document.getElementById('connection').textContent = 'Connected';
});
