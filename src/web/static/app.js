// Draws the page's charts from the JSON endpoint named by <body data-api>.
'use strict';

const COLOURS = { onTime: '#2e7d32', earlyOrLate: '#f9a825', missed: '#c62828' };

function stacked(canvas, days, small) {
  return new Chart(canvas, {
    type: 'bar',
    data: {
      labels: days.map(d => d.date),
      datasets: [
        { label: 'On time', data: days.map(d => d.onTime), backgroundColor: COLOURS.onTime },
        { label: 'Early or late', data: days.map(d => d.earlyOrLate), backgroundColor: COLOURS.earlyOrLate },
        { label: 'Missed', data: days.map(d => d.missed), backgroundColor: COLOURS.missed },
      ],
    },
    options: {
      animation: false,
      responsive: !small,
      plugins: { legend: { display: !small } },
      scales: {
        x: { stacked: true, display: !small },
        y: { stacked: true, display: !small, beginAtZero: true },
      },
    },
  });
}

function titled(parent, name, days) {
  const box = document.createElement('div');
  const title = document.createElement('h3');
  title.textContent = name; // text, never markup
  const canvas = document.createElement('canvas');
  canvas.height = 70;
  box.append(title, canvas);
  parent.append(box);
  stacked(canvas, days, false);
}

async function draw() {
  const api = document.body.dataset.api;
  if (!api || typeof Chart === 'undefined') return;
  const response = await fetch(api, { credentials: 'same-origin' });
  if (!response.ok) return;
  const data = await response.json();
  if (data.sites) {
    for (const site of data.sites) {
      for (const canvas of document.querySelectorAll('canvas.week')) {
        if (canvas.dataset.site === site.id) stacked(canvas, site.week, true);
      }
    }
  }
  if (data.days) {
    stacked(document.getElementById('days'), data.days, false);
    for (const plan of data.byPlan) titled(document.getElementById('plans'), plan.name, plan.days);
    for (const guard of data.byGuard) titled(document.getElementById('guards'), guard.name, guard.days);
  }
  document.body.dataset.drawn = 'yes';
}

document.addEventListener('DOMContentLoaded', draw);
